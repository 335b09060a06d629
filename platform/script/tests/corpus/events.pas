{ A host object fires an event into script handlers: by @Handler and by name; the handler
  changes the TStrings argument; a handler that raises reaches the script that fired it. }
var
  calls: Integer;

procedure DropCalcFields(Sender: TObject; Fields: TStrings);
var i: Integer;
begin
  Inc(calls);
  for i := Fields.Count - 1 downto 0 do
    if Pos('CALC_', Fields[i]) = 1 then
      Fields.Delete(i);
end;

procedure Failing(Sender: TObject; Fields: TStrings);
begin
  raise Exception.Create('handler failed with ' + IntToStr(Fields.Count) + ' fields');
end;

begin
  WriteLn('no handler: ', Import.Execute);
  Import.OnGenerateSQLs := @DropCalcFields;
  WriteLn('by address: ', Import.Execute, ' calls ', calls);
  Import.OnGenerateSQLs := nil;
  Import.OnGenerateSQLs := 'DropCalcFields';
  WriteLn('by name: ', Import.Execute, ' calls ', calls);
  Import.OnGenerateSQLs := @Failing;
  try
    Import.Execute;
  except
    on E: Exception do WriteLn('caught: ', E.Message);
  end;
  Import.OnGenerateSQLs := 'NoSuchHandler';
end.
