{ Variants: Null and Unassigned, tests, conversions, null propagation, arrays, Format. }
var
  v, w: Variant;
  a: Variant;
  i: Integer;
  s: string;
begin
  WriteLn('unassigned: ', VarIsEmpty(v), ' ', VarIsNull(v), ' ', VarIsClear(v));
  v := Null;
  WriteLn('null: ', VarIsEmpty(v), ' ', VarIsNull(v), ' [', VarToStr(v), '] ', VarToStrDef(v, 'def'));
  w := v + 1;
  WriteLn('null + 1 is null: ', VarIsNull(w));
  WriteLn('null = null: ', v = Null, ' null = 1: ', v = 1);
  v := '42';
  i := v;
  WriteLn('string to int: ', i + 1);
  v := 10;
  s := v;
  WriteLn('int to string: ', s + '!');
  v := '1';
  v := v + 1;
  WriteLn('variant text plus number: ', v);
  v := 'a';
  v := v + 'b';
  WriteLn('variant concat: ', v);
  v := 7;
  w := 2;
  WriteLn('variant arith: ', v * w, ' ', v / w, ' ', v div w, ' ', v mod w);
  v := 4300000001;
  WriteLn('int64 variant: ', v, ' type ', VarType(v) = varInt64);
  a := VarArrayOf([1, 'two', 3.5]);
  WriteLn('array: ', VarIsArray(a), ' ', VarArrayLowBound(a), '..', VarArrayHighBound(a), ' ', a[1]);
  a[1] := 'zwei';
  WriteLn('array write: ', a[1]);
  WriteLn(Format('%s|%d|%5d|%-5d|%.2f|%x|%%|%3s|%-3s|', ['Ivanov', 42, 7, 7, 3.14159, 255, 'a', 'b']));
  WriteLn(Format('%s\r\nPosition: %s', ['msg', '3:5']));
  WriteLn(Format('Ошибка: %s (%d)', ['нет', 1]));
  WriteLn(Format('%8.3f|%e|%n|%.3d', [2.5, 1234.5, 1234567.891, 5]));
  v := Null;
  try
    i := v;
  except
    on E: EVariantTypeCastError do WriteLn('typed null: ', E.Message);
  end;
  v := 'abc';
  try
    i := v;
  except
    on E: Exception do WriteLn(E.ClassName, ': ', E.Message);
  end;
  try
    WriteLn(Format('%d', ['x']));
  except
    on E: EConvertError do WriteLn('format: ', E.Message);
  end;
end.
