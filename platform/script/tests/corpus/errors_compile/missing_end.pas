begin
  WriteLn('x');
