{ try/finally inside try/except, raise and re-raise, host exceptions, Abort, errors in handlers. }
type
  EMyError = class(Exception)
  public
    Code: Integer;
  end;

procedure Step(const S: string);
begin
  WriteLn('  ', S);
end;

procedure Nested;
begin
  try
    try
      Step('inner body');
      raise EMyError.Create('custom');
    finally
      Step('inner finally');
    end;
  except
    on E: EMyError do
    begin
      Step('caught ' + E.ClassName + ': ' + E.Message + ' / ' + ExceptionMessage);
      raise;
    end;
  end;
end;

var
  e2: EMyError;
begin
  WriteLn('re-raise:');
  try
    Nested;
  except
    on E: Exception do Step('outer got ' + E.Message);
  end;

  WriteLn('order of handlers:');
  try
    raise EMyError.Create('x');
  except
    on E: EDivByZero do Step('wrong');
    on E: EMyError do Step('EMyError first');
    on E: Exception do Step('too late');
  end;

  WriteLn('fields of exception:');
  try
    e2 := EMyError.Create('with code');
    e2.Code := 77;
    raise e2;
  except
    on E: EMyError do Step(IntToStr(E.Code) + ' ' + E.Message);
  end;

  WriteLn('host std::exception:');
  try
    HostFail('disk full');
  except
    on E: Exception do Step(E.ClassName + ': ' + E.Message);
  end;

  WriteLn('host unknown throw:');
  try
    HostFailOddly;
  except
    Step('bare handler: ' + ExceptionMessage);
  end;

  WriteLn('abort caught:');
  try
    Abort;
  except
    on E: EAbort do Step('EAbort ' + E.Message);
  end;
  try
    HostAbort;
  except
    on E: EAbort do Step('host abort is EAbort too');
  end;

  WriteLn('raise in except replaces:');
  try
    try
      raise Exception.Create('first');
    except
      raise Exception.Create('second');
    end;
  except
    on E: Exception do Step(E.Message);
  end;

  WriteLn('raise in finally replaces:');
  try
    try
      raise Exception.Create('body');
    finally
      raise Exception.Create('from finally');
    end;
  except
    on E: Exception do Step(E.Message);
  end;

  WriteLn('exit through finally:');
  try
    Step('before');
  finally
    Step('finally runs');
  end;
  WriteLn('uncaught abort ends the run silently');
  Abort;
  WriteLn('not reached');
end.
