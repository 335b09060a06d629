var i, total: Integer; s: string;
begin
  total := 0;
  for i := 1 to 200 do
  begin
    s := '';
    while Length(s) < 20000 do
      s := s + IntToStr(i) + ',';
    total := total + Length(s);
  end;
  WriteLn(total);
end.
