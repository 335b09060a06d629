var a, b: TStringList;
begin
  a := TStringList.Create;
  b := a;
  a.Add('x');
  a.Free;
  try
    b.Add('y');
  except
    on E: EAccessViolation do WriteLn('through copy: ', E.Message);
  end;
  try
    WriteLn(a.Count);
  except
    on E: Exception do WriteLn('through original: ', E.Message);
  end;
  b.Free;
end.
