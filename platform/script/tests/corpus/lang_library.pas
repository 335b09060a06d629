{ Standard library: strings, conversions, rounding, dates, files. }
var
  s, dir: string;
  d: TDateTime;
  y, m, dd: Integer;
  sl: TStringList;
begin
  s := '  Hello, World  ';
  WriteLn('[', Trim(s), '] [', TrimLeft(s), '] [', TrimRight(s), ']');
  s := Trim(s);
  WriteLn(Copy(s, 1, 5), ' ', Copy(s, 8, 100), ' ', Copy(s, 50, 2), '|', Pos('World', s), ' ', Pos('x', s));
  WriteLn(UpperCase('abc-где'), ' ', LowerCase('ABC'), ' ', AnsiLowerCase('ПРИВЕТ'));
  Delete(s, 1, 7);
  Insert('Big ', s, 1);
  WriteLn(s, ' ', CompareText('abc', 'ABC'), ' ', SameText('x', 'X'), ' ', CompareStr('a', 'b') < 0);
  WriteLn(StringReplace('a-b-c', '-', '+', []), ' ', StringReplace('a-b-c', '-', '+', [rfReplaceAll]),
    ' ', StringReplace('aXbx', 'x', '_', [rfReplaceAll, rfIgnoreCase]));
  WriteLn(QuotedStr('it''s'), ' ', StringOfChar('*', 3), ' ', IntToHex(255, 4), ' ', IntToStr(-5));
  WriteLn(StrToFloat('2.5') * 2, ' ', StrToFloatDef('x', 1.5), ' ', StrToInt64('4300000001'));
  WriteLn('round: ', Round(0.5), ' ', Round(1.5), ' ', Round(2.5), ' ', Round(-0.5), ' ', Round(-1.5),
    ' ', Round(2.6), ' trunc: ', Trunc(-2.7), ' ', Int(2.7), ' ', Frac(2.75));
  WriteLn('simple: ', SimpleRoundTo(2.345, -2), ' ', SimpleRoundTo(2.5, 0));
  WriteLn('math: ', Sqrt(16), ' ', Power(2, 10), ' ', Abs(-3), ' ', Abs(-2.5), ' ', Sqr(7), ' ',
    Max(3, 9), ' ', Min(2.5, 1), ' ', Odd(3));
  WriteLn('format float: ', FormatFloat('0.00', 3.14159), ' ', FormatFloat('#,##0.00', 1234567.5), ' ',
    FormatFloat('0.###', 2.5));
  d := EncodeDate(2024, 1, 31);
  WriteLn('date: ', DateToStr(d), ' ', DateToStr(IncMonth(d, 1)), ' ', DateToStr(IncMonth(d, -3)), ' ',
    DayOfWeek(d), ' ', YearOf(d), ' ', MonthOf(d), ' ', DayOf(d));
  d := d + EncodeTime(13, 5, 9, 0);
  WriteLn('format date: ', FormatDateTime('dd.mm.yyyy hh:nn:ss', d), ' | ',
    FormatDateTime('d mmmm yyyy, dddd', d), ' | ', FormatDateTime('hh:mm', d), ' | ', DateTimeToStr(d));
  DecodeDate(StrToDate('05.03.2023'), y, m, dd);
  WriteLn('decode: ', y, ' ', m, ' ', dd, ' ', DaysBetween(EncodeDate(2023, 3, 5), EncodeDate(2023, 1, 1)));
  try
    StrToDate('31.02.2023');
  except
    on E: EConvertError do WriteLn(E.Message);
  end;
  WriteLn('files: ', ExtractFileName('/a/b/c.txt'), ' ', ExtractFilePath('/a/b/c.txt'), ' ',
    ExtractFileExt('/a/b.d/c'), ' ', ChangeFileExt('x/y.pas', '.out'), ' ',
    IncludeTrailingPathDelimiter('/tmp'), ' ', ExcludeTrailingPathDelimiter('/tmp/'));
  dir := GetEnvironmentVariable('TMPDIR');
  if dir = '' then dir := '/tmp';
  dir := IncludeTrailingPathDelimiter(dir) + 'velmscript_lib_test/sub';
  WriteLn('dirs: ', ForceDirectories(dir), ' ', DirectoryExists(dir), ' ', FileExists(dir));
  sl := TStringList.Create;
  sl.Add('x');
  sl.SaveToFile(dir + '/b.txt');
  sl.SaveToFile(dir + '/a.txt');
  sl.Free;
  sl := FindFiles(dir + '/*.txt');
  WriteLn('found: ', sl.CommaText);
  sl.Free;
  WriteLn('cleanup: ', DeleteFile(dir + '/a.txt'), ' ', RenameFile(dir + '/b.txt', dir + '/c.txt'), ' ',
    DeleteFile(dir + '/c.txt'), ' ', RemoveDir(dir), ' ', RemoveDir(ExtractFileDir(dir)));
end.
