var a, b: Integer;
begin
  a := 10;
  b := 0;
  try
    WriteLn(a div b);
  except
    on E: EDivByZero do WriteLn('caught: ', E.Message);
  end;
  try
    WriteLn(a mod b);
  except
    on E: EIntError do WriteLn('caught mod: ', E.ClassName);
  end;
  WriteLn(a mod b);
end.
