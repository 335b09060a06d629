var a: Int64;
begin
  a := Low(Int64);
  WriteLn(a mod -1);
  WriteLn(a div -1);
end.
