begin
  WriteLn(HostReenter);
end.
