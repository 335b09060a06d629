var x, z: Double;
begin
  z := 0.0;
  try
    x := 1 / z;
  except
    on E: EZeroDivide do WriteLn('1/0: ', E.ClassName, ' ', E.Message);
  end;
  x := 0 / z;
end.
