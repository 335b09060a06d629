uses 'self_use_a.inc';
begin
end.
