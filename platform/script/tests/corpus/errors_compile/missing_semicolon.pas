var a: Integer;
begin
  a := 1
  a := 2;
end.
