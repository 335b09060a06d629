var a: Integer;
begin
  a := 'text';
end.
