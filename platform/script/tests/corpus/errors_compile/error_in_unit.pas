uses 'broken_unit.inc';
begin
  Helper;
end.
