type
  TCounter = class
  private
    FValue: Integer;
  public
    procedure Add(N: Integer);
    function Value: Integer;
  end;

procedure TCounter.Add(N: Integer);
begin
  FValue := FValue + N;
end;

function TCounter.Value: Integer;
begin
  Result := FValue;
end;

var c: TCounter; i: Integer;
begin
  c := TCounter.Create;
  for i := 1 to 3000000 do
    c.Add(i mod 3);
  WriteLn(c.Value);
  c.Free;
end.
