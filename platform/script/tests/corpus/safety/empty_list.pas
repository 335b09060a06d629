var l: TList;
begin
  l := TList.Create;
  try
    l[0];
  except
    on E: EListError do WriteLn(E.Message);
  end;
  l.Delete(0);
end.
