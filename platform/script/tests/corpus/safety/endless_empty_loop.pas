{budget 1000}
begin
  try
    while True do ;
  except
    WriteLn('termination is not an exception');
  end;
end.
