var depth: Integer;

procedure Dive;
begin
  Inc(depth);
  Dive;
end;

begin
  try
    Dive;
  except
    on E: EStackOverflow do WriteLn('caught at depth ', depth, ': ', E.Message);
  end;
  depth := 0;
  Dive;
end.
