{ Quillara REST client for FreePascal: one parameter value, null until set, kept in its JSON
  form for the wire; and the value holders of the remoting layer. }
unit DBXValue;

{$mode objfpc}{$H+}

interface

uses
  Classes, SysUtils, DBXFPCJson;

type
  TDBXValue = class;
  TDBXValueClass = class of TDBXValue;

  TDBXValue = class
  private
    FJSON: string;
    FObject: TObject;
    FTypeName: string;
    procedure SetJSON(const AJSON: string);
    function NumberValue: Double;
    function TextValue: string;
    function GetAsString: string;
    procedure SetAsString(const AValue: string);
    function GetAsAnsiString: string;
    procedure SetAsAnsiString(const AValue: string);
    function GetAsTDBXDate: Integer;
    procedure SetAsTDBXDate(const AValue: Integer);
    function GetAsTDBXTime: Integer;
    procedure SetAsTDBXTime(const AValue: Integer);
    function GetAsBoolean: Boolean;
    procedure SetAsBoolean(const AValue: Boolean);
    function GetAsInt8: Int8;
    procedure SetAsInt8(const AValue: Int8);
    function GetAsInt16: Int16;
    procedure SetAsInt16(const AValue: Int16);
    function GetAsInt32: Int32;
    procedure SetAsInt32(const AValue: Int32);
    function GetAsInt64: Int64;
    procedure SetAsInt64(const AValue: Int64);
    function GetAsUInt8: UInt8;
    procedure SetAsUInt8(const AValue: UInt8);
    function GetAsUInt16: UInt16;
    procedure SetAsUInt16(const AValue: UInt16);
    function GetAsUInt32: UInt32;
    procedure SetAsUInt32(const AValue: UInt32);
    function GetAsUInt64: UInt64;
    procedure SetAsUInt64(const AValue: UInt64);
    function GetAsDouble: Double;
    procedure SetAsDouble(const AValue: Double);
    function GetAsSingle: Single;
    procedure SetAsSingle(const AValue: Single);
    function GetAsCurrency: Currency;
    procedure SetAsCurrency(const AValue: Currency);
    function GetAsBcd: Double;
    procedure SetAsBcd(const AValue: Double);
    function GetAsDateTime: TDateTime;
    procedure SetAsDateTime(const AValue: TDateTime);
    function GetAsTimeStamp: TDateTime;
    procedure SetAsTimeStamp(const AValue: TDateTime);
    function GetAsStream: TStream;
    procedure SetAsStream(const AValue: TStream);
    function GetAsJSONValue: TJSONValue;
    procedure SetAsJSONValue(const AValue: TJSONValue);
    function GetAsTable: TObject;
    procedure SetAsTable(const AValue: TObject);
    function GetAsObject: TObject;
    procedure SetAsObject(const AValue: TObject);
    function GetAsDBXValue: TDBXValue;
    procedure SetAsDBXValue(const AValue: TDBXValue);
  public
    constructor Create; virtual;
    { The declared type of the parameter: a holder class of this unit with that name is what
      AsDBXValue hands out. }
    property TypeName: string read FTypeName write FTypeName;
    function IsNull: Boolean;
    procedure setTDBXNull(const ATypeName: string);
    function ToJSON: string;
    procedure FromJSON(const AJSON: string);
    property AsString: string read GetAsString write SetAsString;
    property AsAnsiString: string read GetAsAnsiString write SetAsAnsiString;
    property AsTDBXDate: Integer read GetAsTDBXDate write SetAsTDBXDate;
    property AsTDBXTime: Integer read GetAsTDBXTime write SetAsTDBXTime;
    property AsBoolean: Boolean read GetAsBoolean write SetAsBoolean;
    property AsInt8: Int8 read GetAsInt8 write SetAsInt8;
    property AsInt16: Int16 read GetAsInt16 write SetAsInt16;
    property AsInt32: Int32 read GetAsInt32 write SetAsInt32;
    property AsInt64: Int64 read GetAsInt64 write SetAsInt64;
    property AsUInt8: UInt8 read GetAsUInt8 write SetAsUInt8;
    property AsUInt16: UInt16 read GetAsUInt16 write SetAsUInt16;
    property AsUInt32: UInt32 read GetAsUInt32 write SetAsUInt32;
    property AsUInt64: UInt64 read GetAsUInt64 write SetAsUInt64;
    property AsDouble: Double read GetAsDouble write SetAsDouble;
    property AsSingle: Single read GetAsSingle write SetAsSingle;
    property AsCurrency: Currency read GetAsCurrency write SetAsCurrency;
    property AsBcd: Double read GetAsBcd write SetAsBcd;
    property AsDateTime: TDateTime read GetAsDateTime write SetAsDateTime;
    property AsTimeStamp: TDateTime read GetAsTimeStamp write SetAsTimeStamp;
    { New objects owned by the caller. }
    property AsStream: TStream read GetAsStream write SetAsStream;
    property AsJSONValue: TJSONValue read GetAsJSONValue write SetAsJSONValue;
    property AsTable: TObject read GetAsTable write SetAsTable;
    property AsObject: TObject read GetAsObject write SetAsObject;
    property AsDBXValue: TDBXValue read GetAsDBXValue write SetAsDBXValue;
  end;

  TDBXAnsiStringValue = class(TDBXValue);
  TDBXAnsiCharsValue = class(TDBXValue);
  TDBXBooleanValue = class(TDBXValue);
  TDBXDoubleValue = class(TDBXValue);
  TDBXUInt8Value = class(TDBXValue);
  TDBXInt8Value = class(TDBXValue);
  TDBXUInt16Value = class(TDBXValue);
  TDBXInt16Value = class(TDBXValue);
  TDBXInt32Value = class(TDBXValue);
  TDBXInt64Value = class(TDBXValue);
  TDBXSingleValue = class(TDBXValue);
  TDBXStringValue = class(TDBXValue);
  TDBXTimeValue = class(TDBXValue);
  TDBXTimeStampValue = class(TDBXValue);
  TDBXWideStringValue = class(TDBXValue);
  TDBXDateValue = class(TDBXValue);
  TDBXReaderValue = class(TDBXValue);
  TDBXStreamValue = class(TDBXValue);
  TDBXBcdValue = class(TDBXValue);

implementation

uses
  fpjson, DBXFPCCommon;

const
  HolderClasses: array[0..18] of TDBXValueClass = (TDBXAnsiStringValue, TDBXAnsiCharsValue, TDBXBooleanValue, TDBXDoubleValue, TDBXUInt8Value, TDBXInt8Value, TDBXUInt16Value, TDBXInt16Value, TDBXInt32Value, TDBXInt64Value, TDBXSingleValue, TDBXStringValue, TDBXTimeValue, TDBXTimeStampValue, TDBXWideStringValue, TDBXDateValue, TDBXReaderValue, TDBXStreamValue, TDBXBcdValue);

var
  JSONFormat: TFormatSettings;

constructor TDBXValue.Create;
begin
  inherited Create;
  FJSON := 'null';
end;

procedure TDBXValue.SetJSON(const AJSON: string);
begin
  FJSON := AJSON;
  FObject := nil;
end;

function TDBXValue.NumberValue: Double;
var
  text: string;
begin
  text := FJSON;
  if (Length(text) > 1) and (text[1] = '"') then
    text := Copy(text, 2, Length(text) - 2);
  if text = 'true' then
    Exit(1);
  Result := StrToFloatDef(text, 0, JSONFormat);
end;

function TDBXValue.TextValue: string;
begin
  if FJSON = 'null' then
    Exit('');
  if (Length(FJSON) > 1) and (FJSON[1] = '"') then
    Exit(JSONStringToString(Copy(FJSON, 2, Length(FJSON) - 2)));
  Result := FJSON;
end;

function TDBXValue.IsNull: Boolean;
begin
  Result := (FJSON = 'null') and (FObject = nil);
end;

procedure TDBXValue.setTDBXNull(const ATypeName: string);
begin
  SetJSON('null');
end;

function TDBXValue.ToJSON: string;
begin
  if FObject is TDBXValue then
    Result := TDBXValue(FObject).ToJSON
  else if (FObject is TDBXReader) and (TDBXReader(FObject).JSON <> nil) then
    Result := TDBXReader(FObject).JSON.ToString
  else if FObject is TJSONValue then
    Result := TJSONValue(FObject).ToString
  else
    Result := FJSON;
end;

procedure TDBXValue.FromJSON(const AJSON: string);
begin
  SetJSON(AJSON);
end;

function TDBXValue.GetAsString: string;
begin
  Result := TextValue;
end;

procedure TDBXValue.SetAsString(const AValue: string);
begin
  SetJSON('"' + StringToJSONString(AValue) + '"');
end;

function TDBXValue.GetAsAnsiString: string;
begin
  Result := TextValue;
end;

procedure TDBXValue.SetAsAnsiString(const AValue: string);
begin
  SetJSON('"' + StringToJSONString(AValue) + '"');
end;

function TDBXValue.GetAsTDBXDate: Integer;
begin
  Result := Integer(Trunc(NumberValue));
end;

procedure TDBXValue.SetAsTDBXDate(const AValue: Integer);
begin
  SetJSON(IntToStr(AValue));
end;

function TDBXValue.GetAsTDBXTime: Integer;
begin
  Result := Integer(Trunc(NumberValue));
end;

procedure TDBXValue.SetAsTDBXTime(const AValue: Integer);
begin
  SetJSON(IntToStr(AValue));
end;

function TDBXValue.GetAsBoolean: Boolean;
begin
  Result := (FJSON = 'true') or (NumberValue <> 0);
end;

procedure TDBXValue.SetAsBoolean(const AValue: Boolean);
begin
  if AValue then SetJSON('true') else SetJSON('false');
end;

function TDBXValue.GetAsInt8: Int8;
begin
  Result := Int8(Trunc(NumberValue));
end;

procedure TDBXValue.SetAsInt8(const AValue: Int8);
begin
  SetJSON(IntToStr(AValue));
end;

function TDBXValue.GetAsInt16: Int16;
begin
  Result := Int16(Trunc(NumberValue));
end;

procedure TDBXValue.SetAsInt16(const AValue: Int16);
begin
  SetJSON(IntToStr(AValue));
end;

function TDBXValue.GetAsInt32: Int32;
begin
  Result := Int32(Trunc(NumberValue));
end;

procedure TDBXValue.SetAsInt32(const AValue: Int32);
begin
  SetJSON(IntToStr(AValue));
end;

function TDBXValue.GetAsInt64: Int64;
begin
  Result := Int64(Trunc(NumberValue));
end;

procedure TDBXValue.SetAsInt64(const AValue: Int64);
begin
  SetJSON(IntToStr(AValue));
end;

function TDBXValue.GetAsUInt8: UInt8;
begin
  Result := UInt8(Trunc(NumberValue));
end;

procedure TDBXValue.SetAsUInt8(const AValue: UInt8);
begin
  SetJSON(IntToStr(AValue));
end;

function TDBXValue.GetAsUInt16: UInt16;
begin
  Result := UInt16(Trunc(NumberValue));
end;

procedure TDBXValue.SetAsUInt16(const AValue: UInt16);
begin
  SetJSON(IntToStr(AValue));
end;

function TDBXValue.GetAsUInt32: UInt32;
begin
  Result := UInt32(Trunc(NumberValue));
end;

procedure TDBXValue.SetAsUInt32(const AValue: UInt32);
begin
  SetJSON(IntToStr(AValue));
end;

function TDBXValue.GetAsUInt64: UInt64;
begin
  Result := UInt64(Trunc(NumberValue));
end;

procedure TDBXValue.SetAsUInt64(const AValue: UInt64);
begin
  SetJSON(IntToStr(AValue));
end;

function TDBXValue.GetAsDouble: Double;
begin
  Result := NumberValue;
end;

procedure TDBXValue.SetAsDouble(const AValue: Double);
begin
  SetJSON(FloatToStr(AValue, JSONFormat));
end;

function TDBXValue.GetAsSingle: Single;
begin
  Result := NumberValue;
end;

procedure TDBXValue.SetAsSingle(const AValue: Single);
begin
  SetJSON(FloatToStr(AValue, JSONFormat));
end;

function TDBXValue.GetAsCurrency: Currency;
begin
  Result := NumberValue;
end;

procedure TDBXValue.SetAsCurrency(const AValue: Currency);
begin
  SetJSON(FloatToStr(AValue, JSONFormat));
end;

function TDBXValue.GetAsBcd: Double;
begin
  Result := NumberValue;
end;

procedure TDBXValue.SetAsBcd(const AValue: Double);
begin
  SetJSON(FloatToStr(AValue, JSONFormat));
end;

function TDBXValue.GetAsDateTime: TDateTime;
begin
  Result := NumberValue;
end;

procedure TDBXValue.SetAsDateTime(const AValue: TDateTime);
begin
  SetJSON(FloatToStr(AValue, JSONFormat));
end;

function TDBXValue.GetAsTimeStamp: TDateTime;
begin
  Result := NumberValue;
end;

procedure TDBXValue.SetAsTimeStamp(const AValue: TDateTime);
begin
  SetJSON(FloatToStr(AValue, JSONFormat));
end;

function TDBXValue.GetAsStream: TStream;
var
  bytes: TJSONValue;
  item: TJSONValue;
  i: Integer;
  b: Byte;
begin
  Result := TMemoryStream.Create;
  bytes := TJSONValue.Parse(FJSON);
  try
    if bytes is DBXFPCJson.TJSONArray then
      for i := 0 to DBXFPCJson.TJSONArray(bytes).Size - 1 do
      begin
        item := DBXFPCJson.TJSONArray(bytes).Get(i);
        b := Byte(StrToIntDef(item.ToString, 0));
        item.Free;
        Result.WriteBuffer(b, 1);
      end;
  finally
    bytes.Free;
  end;
  Result.Position := 0;
end;

procedure TDBXValue.SetAsStream(const AValue: TStream);
var
  text: string;
  b: Byte;
begin
  if AValue = nil then
  begin
    SetJSON('null');
    Exit;
  end;
  text := '';
  AValue.Position := 0;
  while AValue.Read(b, 1) = 1 do
  begin
    if text <> '' then text := text + ',';
    text := text + IntToStr(b);
  end;
  SetJSON('[' + text + ']');
end;

function TDBXValue.GetAsJSONValue: TJSONValue;
begin
  if IsNull then Result := nil else Result := TJSONValue.Parse(ToJSON);
end;

procedure TDBXValue.SetAsJSONValue(const AValue: TJSONValue);
begin
  if AValue = nil then SetJSON('null') else SetJSON(AValue.ToString);
end;

function TDBXValue.GetAsTable: TObject;
begin
  if FObject <> nil then
    Result := FObject
  else if FJSON = 'null' then
    Result := nil
  else
    Result := TDBXReader.Create(TJSONValue.Parse(FJSON));
end;

procedure TDBXValue.SetAsTable(const AValue: TObject);
begin
  SetJSON('null');
  FObject := AValue;
end;

function TDBXValue.GetAsObject: TObject;
begin
  Result := FObject;
end;

procedure TDBXValue.SetAsObject(const AValue: TObject);
begin
  SetJSON('null');
  FObject := AValue;
end;

function TDBXValue.GetAsDBXValue: TDBXValue;
var
  i: Integer;
begin
  Result := nil;
  for i := Low(HolderClasses) to High(HolderClasses) do
    if SameText(HolderClasses[i].ClassName, FTypeName) then
      Result := HolderClasses[i].Create;
  if Result = nil then
    Result := TDBXValue.Create;
  Result.FromJSON(ToJSON);
end;

procedure TDBXValue.SetAsDBXValue(const AValue: TDBXValue);
begin
  SetJSON('null');
  FObject := AValue;
end;

initialization
  JSONFormat := DefaultFormatSettings;
  JSONFormat.DecimalSeparator := '.';
end.
