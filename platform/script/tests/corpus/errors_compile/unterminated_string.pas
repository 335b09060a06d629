begin
  WriteLn('never closed);
end.
