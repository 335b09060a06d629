{ A chain of nested arrays a hundred thousand deep is freed without deep recursion. }
var v: Variant; i: Integer;
begin
  v := 0;
  for i := 1 to 100000 do
    v := VarArrayOf([v, i]);
  WriteLn(v[1]);
  v := Unassigned;
  WriteLn('freed');
end.
