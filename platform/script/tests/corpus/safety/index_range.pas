var sl: TStringList; a: array of Integer; s: string;
begin
  sl := TStringList.Create;
  try
    sl.Add('only');
    try
      WriteLn(sl[99]);
    except
      on E: EListError do WriteLn(E.Message);
    end;
    SetLength(a, 2);
    try
      a[2] := 1;
    except
      on E: ERangeError do WriteLn(E.Message);
    end;
    s := 'abc';
    WriteLn(s[4]);
  finally
    sl.Free;
  end;
end.
