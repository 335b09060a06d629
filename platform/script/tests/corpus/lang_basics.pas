program LangBasics;
{ Integers, 64-bit keys, floats, strings with Cyrillic text, operators and control flow. }
const
  Key = 4300000001;
  Greeting = 'Привет';
  CRLF2 = #13#10;
var
  i, j, total: Integer;
  big: Int64;
  x: Double;
  s: string;
  b: Boolean;
  c: Char;

function Twice(const N: Integer; Factor: Integer = 2): Integer;
begin
  Result := N * Factor;
end;

function Classify(N: Integer): string;
begin
  case N of
    0: Result := 'zero';
    1..9: Result := 'small';
    10, 20, 30: Result := 'round';
  else
    Result := 'other';
  end;
end;

function Season(const Month: string): string;
begin
  case LowerCase(Month) of
    'dec', 'jan', 'feb': Result := 'winter';
    'jun': Result := 'summer';
  else
    Result := '?';
  end;
end;

function FirstNegative(const A: array of Integer): Integer;
var k: Integer;
begin
  Result := -1;
  for k := 0 to High(A) do
    if A[k] < 0 then
    begin
      Result := k;
      Exit;
    end;
end;

begin
  big := Key;
  WriteLn('key: ', big, ' next: ', big + 1);
  WriteLn('div/mod: ', 17 div 5, ' ', 17 mod 5, ' ', -17 div 5, ' ', -17 mod 5);
  WriteLn('bits: ', 6 and 3, ' ', 6 or 3, ' ', 6 xor 3, ' ', 1 shl 40, ' ', 256 shr 4);
  x := 7 / 2;
  WriteLn('float: ', x, ' ', FloatToStr(0.1 + 0.2), ' ', 2.5e3);
  b := (3 > 2) and not (2 > 3) or False;
  WriteLn('bool: ', b, ' ', True xor True);
  s := Greeting + ', мир';
  WriteLn(s, ' len=', Length(s), ' up=', AnsiUpperCase(s));
  WriteLn('crlf: ', Length(CRLF2), ' ', Ord(CRLF2[1]), ' ', Ord(CRLF2[2]));
  c := s[1];
  WriteLn('char: ', c, ' ', Ord('A'), ' ', Chr(66));
  total := 0;
  for i := 1 to 10 do
  begin
    if i = 3 then Continue;
    if i = 8 then Break;
    total := total + i;
  end;
  WriteLn('for: ', total);
  total := 0;
  for i := 10 downto 1 do total := total * 2 + i mod 2;
  WriteLn('downto: ', total);
  i := 0;
  while i < 100 do i := i + 7;
  WriteLn('while: ', i);
  j := 0;
  repeat
    Inc(j, 3);
  until j > 10;
  WriteLn('repeat: ', j);
  Dec(j);
  WriteLn('dec: ', j);
  WriteLn('twice: ', Twice(21), ' ', Twice(5, 3));
  WriteLn('case: ', Classify(0), ' ', Classify(5), ' ', Classify(20), ' ', Classify(99));
  WriteLn('case string: ', Season('Jan'), ' ', Season('JUN'), ' ', Season('x'));
  WriteLn('exit: ', FirstNegative([4, 5, -1, 7]), ' ', FirstNegative([1]));
  WriteLn('compare: ', 'abc' < 'abd', ' ', 'b' > 'abc', ' ', 1.5 < 2);
  if (1 > 2) then WriteLn('no') else if 2 > 1 then WriteLn('else-if');
end.
