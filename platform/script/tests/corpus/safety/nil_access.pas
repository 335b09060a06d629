var sl: TStringList;
begin
  sl := nil;
  sl.Free;
  WriteLn('Free on nil does nothing');
  sl.Add('x');
end.
