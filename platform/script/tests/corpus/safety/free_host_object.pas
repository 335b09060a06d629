begin
  try
    Tran.Free;
  except
    on E: Exception do WriteLn(E.Message);
  end;
  Tran.StartTransaction;
  WriteLn('still works: ', Tran.InTransaction);
  Tran.Commit;
end.
