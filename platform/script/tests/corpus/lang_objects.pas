{ TStringList and TList with host objects, default indexed properties, typecasts, Free. }
var
  sl, sl2: TStringList;
  list: TList;
  info: TStudentInfo;
  i: Integer;
  fn: string;
begin
  sl := TStringList.Create;
  try
    sl.Add('pear');
    sl.Add('Apple');
    sl.Add('banana');
    sl.Sort;
    WriteLn('sorted: ', sl.CommaText, ' count ', sl.Count);
    WriteLn('index: ', sl.IndexOf('BANANA'), ' first ', sl[0], ' strings ', sl.Strings[2]);
    sl[0] := 'apricot';
    sl.Values['Year'] := '2024';
    sl.Values['Term'] := 'spring';
    WriteLn('values: ', sl.Values['year'], ' ', sl.Names[3], ' ', sl.IndexOfName('term'));
    sl.Values['Year'] := '';
    WriteLn('removed: ', sl.Count);
    sl.Delete(0);
    sl.Insert(0, 'first');
    WriteLn('text: ', StringReplace(sl.Text, #13#10, '|', [rfReplaceAll]));
    fn := GetEnvironmentVariable('TMPDIR');
    if fn = '' then fn := '/tmp';
    fn := IncludeTrailingPathDelimiter(fn) + 'velmscript_objects_test.txt';
    sl.SaveToFile(fn);
    sl2 := TStringList.Create;
    sl2.LoadFromFile(fn);
    WriteLn('reloaded: ', sl2.Count, ' ', sl2[sl2.Count - 1]);
    sl2.Free;
    DeleteFile(fn);
    sl.DelimitedText := 'a,"b c",d';
    WriteLn('delimited: ', sl.Count, ' [', sl[1], ']');
  finally
    sl.Free;
  end;

  list := TList.Create;
  for i := 1 to 4 do
  begin
    info := TStudentInfo.Create;
    info.FIO := 'Student ' + IntToStr(5 - i);
    info.SortOrder := i mod 2;
    info.StudentID := 4300000000 + i;
    list.Add(info);
  end;
  SortList(list);
  for i := 0 to list.Count - 1 do
    WriteLn(TStudentInfo(list[i]).FIO, ' ', TStudentInfo(list.Items[i]).SortOrder, ' ',
      (list[i] as TStudentInfo).StudentID);
  WriteLn('is: ', list[0] is TStudentInfo, ' ', list[0] is TStringList);
  try
    TStringList(list[0]).Add('x');
  except
    on E: EInvalidCast do WriteLn('cast: ', E.Message);
  end;
  for i := list.Count - 1 downto 0 do
  begin
    TStudentInfo(list[i]).Free;
    list.Delete(i);
  end;
  WriteLn('list empty: ', list.Count);
  list.Free;
end.
