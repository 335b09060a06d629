var a: Integer;
begin
  a := 1;
  b := a;
end.
