begin
  WriteLn(StrToIntDef('zz', -1), ' ', StrToInt(' 42 '));
  WriteLn(StrToInt('zz'));
end.
