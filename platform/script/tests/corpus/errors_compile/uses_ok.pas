uses 'good_unit.inc';
begin
  WriteLn(Greet('unit'));
end.
