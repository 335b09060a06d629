function Inner(X: Integer): Integer;
begin
  WriteLn('inner start');
  Result := 100 div X;
  WriteLn('not reached');
end;

function Outer(X: Integer): Integer;
begin
  Result := Inner(X) + 1;
end;

begin
  WriteLn(Outer(5));
  WriteLn(Outer(0));
end.
