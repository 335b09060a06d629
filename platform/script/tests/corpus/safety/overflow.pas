var a: Int64; v: Variant;
begin
  a := High(Int64);
  try
    a := a + 1;
  except
    on E: EIntOverflow do WriteLn('add: ', E.Message);
  end;
  try
    a := Low(Int64);
    a := Abs(a);
  except
    on E: EIntOverflow do WriteLn('abs: ', E.Message);
  end;
  try
    a := High(Int64);
    Inc(a);
  except
    on E: EIntOverflow do WriteLn('inc: ', E.Message);
  end;
  v := High(Int64);
  v := v * 2;
end.
