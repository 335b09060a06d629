{ Script classes with fields, methods, properties, inheritance and virtual methods; records,
  enumerations, sets, static and dynamic arrays, with, nested routines, forward declarations. }
type
  TColorKind = (ckRed, ckGreen, ckBlue);
  TColorSet = set of TColorKind;
  TPoint = record
    X, Y: Integer;
  end;
  TMatrix = array[1..2, 1..3] of Integer;

  TShape = class
  private
    FName: string;
    FItems: array of Integer;
    function GetItem(I: Integer): Integer;
    procedure SetItem(I: Integer; V: Integer);
  public
    constructor Create(const AName: string);
    destructor Destroy; override;
    function Area: Double; virtual;
    function Describe: string;
    property Name: string read FName write FName;
    property Items[I: Integer]: Integer read GetItem write SetItem; default;
  end;

  TSquare = class(TShape)
  public
    Side: Double;
    constructor Create(ASide: Double);
    function Area: Double; override;
  end;

constructor TShape.Create(const AName: string);
begin
  FName := AName;
  SetLength(FItems, 3);
end;

destructor TShape.Destroy;
begin
  WriteLn('destroy ', FName);
  inherited;
end;

function TShape.Area: Double;
begin
  Result := 0;
end;

function TShape.Describe: string;
begin
  Result := Name + ' area ' + FloatToStr(Area);
end;

function TShape.GetItem(I: Integer): Integer;
begin
  Result := FItems[I];
end;

procedure TShape.SetItem(I: Integer; V: Integer);
begin
  FItems[I] := V;
end;

constructor TSquare.Create(ASide: Double);
begin
  inherited Create('square');
  Side := ASide;
end;

function TSquare.Area: Double;
begin
  Result := Side * Side;
end;

function Odd2(N: Integer): Boolean; forward;

function Even2(N: Integer): Boolean;
begin
  if N = 0 then Result := True else Result := Odd2(N - 1);
end;

function Odd2(N: Integer): Boolean;
begin
  if N = 0 then Result := False else Result := Even2(N - 1);
end;

function SumTo(N: Integer): Integer;
var
  acc: Integer;

  procedure Add(K: Integer);
  begin
    acc := acc + K;
  end;

var
  k: Integer;
begin
  acc := 0;
  for k := 1 to N do Add(k);
  Result := acc;
end;

procedure Swap(var A, B: Integer);
var t: Integer;
begin
  t := A; A := B; B := t;
end;

procedure Move(var P: TPoint; DX: Integer);
begin
  P.X := P.X + DX;
end;

var
  s: TShape;
  sq: TSquare;
  p, q: TPoint;
  m: TMatrix;
  colors: TColorSet;
  kind: TColorKind;
  dyn: array of string;
  nums: array[0..4] of Integer;
  i, j, a, b: Integer;
  ch: Char;
begin
  s := TShape.Create('blob');
  sq := TSquare.Create(3);
  WriteLn(s.Describe, '; ', sq.Describe);
  s[1] := 42;
  WriteLn('default property: ', s[1], ' ', s.Items[0]);
  s.Name := 'renamed';
  WriteLn('property: ', s.Name);
  s.Free;
  s := sq;
  WriteLn('virtual through base: ', s.Area, ' ', s is TSquare);
  sq.Free;

  p.X := 1; p.Y := 2;
  q := p;
  q.X := 10;
  WriteLn('record copy: ', p.X, ' ', q.X);
  Move(p, 5);
  WriteLn('record var param: ', p.X);
  with p do
  begin
    X := 100;
    Y := Y + 1;
  end;
  WriteLn('with: ', p.X, ' ', p.Y);

  for i := 1 to 2 do
    for j := 1 to 3 do
      m[i, j] := i * 10 + j;
  WriteLn('matrix: ', m[2, 3], ' ', m[1][2], ' ', High(m), ' ', Low(m));

  colors := [ckRed, ckBlue];
  Include(colors, ckGreen);
  Exclude(colors, ckRed);
  WriteLn('sets: ', ckRed in colors, ' ', ckGreen in colors, ' ', colors = [ckGreen, ckBlue]);
  kind := ckGreen;
  WriteLn('enum: ', Ord(kind), ' ', Ord(Succ(kind)), ' ', Ord(High(TColorKind)));
  for kind := ckRed to ckBlue do Write(Ord(kind), ' ');
  WriteLn;
  ch := 'q';
  WriteLn('char set: ', ch in ['a'..'z'], ' ', '5' in ['a'..'z']);

  SetLength(dyn, 3);
  dyn[0] := 'a'; dyn[2] := 'c';
  SetLength(dyn, 4);
  WriteLn('dynamic: ', Length(dyn), ' ', dyn[0], dyn[1], dyn[2], ' ', High(dyn));
  for i := 0 to 4 do nums[i] := i * i;
  WriteLn('static: ', nums[4], ' ', Length(nums));

  a := 1; b := 2;
  Swap(a, b);
  WriteLn('swap: ', a, ' ', b);
  Swap(nums[1], nums[2]);
  WriteLn('swap elements: ', nums[1], ' ', nums[2]);
  WriteLn('forward: ', Even2(10), ' ', Odd2(7));
  WriteLn('nested: ', SumTo(10));
end.
