{maxstring 100000}
var a: array of Integer; s: string; i: Integer;
begin
  try
    SetLength(a, 1000000000000);
  except
    on E: EOutOfMemory do WriteLn('array: ', E.Message);
  end;
  s := 'x';
  for i := 1 to 100 do s := s + s;
end.
