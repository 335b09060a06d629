{ Host items: a host-owned object, default parameters that name registered constants,
  an enumeration, variables and variant constants of the host. }
var
  m: TUpdateMethod;
begin
  Tran.StartTransaction;
  WriteLn('in transaction: ', Tran.InTransaction);
  Tran.Commit;
  WriteLn('after commit: ', Tran.InTransaction);
  OutMessage('default colours');
  OutMessage('red', clRed, 10);
  m := umExists;
  WriteLn('enum: ', Ord(m), ' ', m = umExists);
  WriteLn('host var: ', ProtocolFor, ' null const: ', VarIsNull(DepartmentID));
  ProtocolFor := 2;
  WriteLn('host var written: ', ProtocolFor);
  WriteLn('reentry: ', HostReenter);
  try
    Tran.Free;
  except
    on E: Exception do WriteLn('free host object: ', E.Message);
  end;
  Tran.StartTransaction;
  WriteLn('still usable: ', Tran.InTransaction);
  Tran.Commit;
  Tran.Commit;
end.
