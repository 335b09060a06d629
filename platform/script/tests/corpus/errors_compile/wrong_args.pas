procedure P(A: Integer; B: string);
begin
end;
begin
  P(1);
end.
