{budget 5000}
var n: Integer;
begin
  try
    WriteLn('looping');
    while True do
      Inc(n);
  finally
    WriteLn('finally ran');
  end;
end.
