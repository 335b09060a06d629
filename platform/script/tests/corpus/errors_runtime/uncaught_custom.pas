type
  EOrderError = class(Exception);
begin
  WriteLn('before');
  raise EOrderError.Create('Не указан курс');
end.
