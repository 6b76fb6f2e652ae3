// Quillara REST client for FreePascal: the value of one command parameter, and the value-holder
// classes. Objects read from a value (streams, JSON values, tables) belong to the caller.
unit DBXValue;

{$mode objfpc}{$H+}

interface

uses
  Classes, SysUtils, DBXFPCJson, DBXFPCCommon, DSRestTypes;

type
  TDBXValueKind = (vkNull, vkText, vkInteger, vkReal, vkBoolean, vkObject);

  TDBXValue = class
  private
    FKind: TDBXValueKind;
    FText: string;
    FInteger: Int64;
    FReal: Double;
    FObject: TObject;
    FTypeName: string;
    procedure SetText(const AValue: string);
    procedure SetInteger(AValue: Int64);
    procedure SetReal(AValue: Double);
    procedure SetObject(AValue: TObject);
    procedure SetStream(AValue: TStream);
    procedure SetJSONValue(AValue: TJSONValue);
    procedure SetHolder(AValue: TDBXValue);
    function GetInteger: Int64;
    function GetReal: Double;
    function GetText: string;
    function GetBoolean: Boolean;
    procedure SetBoolean(AValue: Boolean);
    function GetDateTime: TDateTime;
    procedure SetDateTime(AValue: TDateTime);
    function GetStream: TStream;
    function GetJSONValue: TJSONValue;
    function GetHolder: TDBXValue;
  public
    procedure setTDBXNull(const ATypeName: string);
    function IsNull: Boolean;
    // The value as it travels: JSON for a body, text for a URL segment.
    function ToJSON: TJSONValue;
    function ToURLText: string;
    // Takes an output value as the server answered it; takes the JSON value.
    procedure FromJSON(AJSON: TJSONValue; ADBXType: Integer; const ATypeName: string);
    property TypeName: string read FTypeName;
    property AsString: string read GetText write SetText;
    property AsAnsiString: string read GetText write SetText;
    property AsBoolean: Boolean read GetBoolean write SetBoolean;
    property AsInt8: Int64 read GetInteger write SetInteger;
    property AsUInt8: Int64 read GetInteger write SetInteger;
    property AsInt16: Int64 read GetInteger write SetInteger;
    property AsUInt16: Int64 read GetInteger write SetInteger;
    property AsInt32: Int64 read GetInteger write SetInteger;
    property AsUInt32: Int64 read GetInteger write SetInteger;
    property AsInt64: Int64 read GetInteger write SetInteger;
    property AsUInt64: Int64 read GetInteger write SetInteger;
    property AsTDBXDate: Int64 read GetInteger write SetInteger;
    property AsTDBXTime: Int64 read GetInteger write SetInteger;
    property AsDouble: Double read GetReal write SetReal;
    property AsSingle: Double read GetReal write SetReal;
    property AsCurrency: Double read GetReal write SetReal;
    property AsBcd: Double read GetReal write SetReal;
    property AsDateTime: TDateTime read GetDateTime write SetDateTime;
    property AsTimeStamp: TDateTime read GetDateTime write SetDateTime;
    property AsStream: TStream read GetStream write SetStream;
    property AsJSONValue: TJSONValue read GetJSONValue write SetJSONValue;
    property AsTable: TObject read FObject write SetObject;
    property AsObject: TObject read FObject write SetObject;
    property AsDBXValue: TDBXValue read GetHolder write SetHolder;
  end;

  TDBXValueClass = class of TDBXValue;

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
  fpjson;

const
  HolderClasses: array[0..18] of TDBXValueClass = (TDBXAnsiStringValue, TDBXAnsiCharsValue,
    TDBXBooleanValue, TDBXDoubleValue, TDBXUInt8Value, TDBXInt8Value, TDBXUInt16Value,
    TDBXInt16Value, TDBXInt32Value, TDBXInt64Value, TDBXSingleValue, TDBXStringValue,
    TDBXTimeValue, TDBXTimeStampValue, TDBXWideStringValue, TDBXDateValue, TDBXReaderValue,
    TDBXStreamValue, TDBXBcdValue);

function Invariant: TFormatSettings;
begin
  Result := DefaultFormatSettings;
  Result.DecimalSeparator := '.';
end;

procedure TDBXValue.setTDBXNull(const ATypeName: string);
begin
  FTypeName := ATypeName;
  FKind := vkNull;
  FObject := nil;
end;

function TDBXValue.IsNull: Boolean;
begin
  Result := (FKind = vkNull) or ((FKind = vkObject) and (FObject = nil));
end;

procedure TDBXValue.SetText(const AValue: string);
begin
  FKind := vkText;
  FText := AValue;
end;

procedure TDBXValue.SetInteger(AValue: Int64);
begin
  FKind := vkInteger;
  FInteger := AValue;
end;

procedure TDBXValue.SetReal(AValue: Double);
begin
  FKind := vkReal;
  FReal := AValue;
end;

procedure TDBXValue.SetBoolean(AValue: Boolean);
begin
  FKind := vkBoolean;
  FInteger := Ord(AValue);
end;

procedure TDBXValue.SetObject(AValue: TObject);
begin
  FKind := vkObject;
  FObject := AValue;
end;

procedure TDBXValue.SetStream(AValue: TStream);
begin
  SetObject(AValue);
end;

procedure TDBXValue.SetJSONValue(AValue: TJSONValue);
begin
  SetObject(AValue);
end;

procedure TDBXValue.SetHolder(AValue: TDBXValue);
begin
  SetObject(AValue);
end;

function TDBXValue.GetInteger: Int64;
begin
  case FKind of
    vkInteger, vkBoolean: Result := FInteger;
    vkReal: Result := Trunc(FReal);
    vkText: Result := StrToInt64Def(FText, 0);
  else
    Result := 0;
  end;
end;

function TDBXValue.GetReal: Double;
begin
  case FKind of
    vkInteger, vkBoolean: Result := FInteger;
    vkReal: Result := FReal;
    vkText: Result := StrToFloatDef(FText, 0, Invariant);
  else
    Result := 0;
  end;
end;

function TDBXValue.GetText: string;
begin
  case FKind of
    vkText: Result := FText;
    vkInteger: Result := IntToStr(FInteger);
    vkReal: Result := FloatToStr(FReal, Invariant);
    vkBoolean: Result := BoolToStr(FInteger <> 0, 'true', 'false');
  else
    Result := '';
  end;
end;

function TDBXValue.GetBoolean: Boolean;
begin
  if FKind = vkText then
    Result := SameText(FText, 'true')
  else
    Result := GetInteger <> 0;
end;

function TDBXValue.GetDateTime: TDateTime;
begin
  if FKind = vkText then
    Result := StrToDateTimeDef(FText, 0)
  else
    Result := GetReal;
end;

procedure TDBXValue.SetDateTime(AValue: TDateTime);
begin
  SetText(FormatDateTime('yyyy-mm-dd hh:nn:ss.zzz', AValue));
end;

function TDBXValue.GetStream: TStream;
begin
  if FObject is TStream then
    Result := TStream(FObject)
  else
    Result := nil;
end;

function TDBXValue.GetJSONValue: TJSONValue;
begin
  if FObject is TJSONValue then
    Result := TJSONValue(FObject)
  else
    Result := nil;
end;

function TDBXValue.GetHolder: TDBXValue;
begin
  if FObject is TDBXValue then
    Result := TDBXValue(FObject)
  else
    Result := nil;
end;

function TDBXValue.ToJSON: TJSONValue;
var
  bytes: TJSONArray;
  b: Byte;
  stream: TStream;
begin
  case FKind of
    vkText: Result := TJSONString.Create(FText);
    vkInteger: Result := TJSONInt64Number.Create(FInteger);
    vkReal: Result := TJSONFloatNumber.Create(FReal);
    vkBoolean: Result := TJSONBoolean.Create(FInteger <> 0);
    vkObject:
      if FObject is TDBXValue then
        Result := TDBXValue(FObject).ToJSON
      else if FObject is TJSONValue then
        Result := TJSONValue(FObject).Clone
      else if FObject is TDBXReader then
        Result := TDBXReader(FObject).Table.Clone
      else if FObject is TStream then
      begin
        stream := TStream(FObject);
        bytes := TJSONArray.Create;
        stream.Position := 0;
        b := 0;
        while stream.Read(b, 1) = 1 do
          bytes.Add(Integer(b));
        Result := bytes;
      end
      else
        Result := TJSONNull.Create;
  else
    Result := TJSONNull.Create;
  end;
end;

function TDBXValue.ToURLText: string;
var
  json: TJSONValue;
begin
  json := ToJSON;
  try
    if json is TJSONString then
      Result := json.AsString
    else
      Result := json.AsJSON;
  finally
    json.Free;
  end;
end;

procedure TDBXValue.FromJSON(AJSON: TJSONValue; ADBXType: Integer; const ATypeName: string);
var
  target: TDBXValue;
  holder: TDBXValueClass;
  stream: TMemoryStream;
  i: Integer;
  b: Byte;
begin
  target := Self;
  if (Copy(ATypeName, 1, 4) = 'TDBX') and (Copy(ATypeName, Length(ATypeName) - 4, 5) = 'Value') then
  begin
    if not (FObject is TDBXValue) then
    begin
      SetObject(TDBXValue.Create);
      for holder in HolderClasses do
        if holder.ClassName = ATypeName then
        begin
          FObject.Free;
          SetObject(holder.Create);
        end;
    end;
    target := TDBXValue(FObject);
  end;
  if (AJSON = nil) or (AJSON is TJSONNull) then
  begin
    target.setTDBXNull(ATypeName);
    AJSON.Free;
    Exit;
  end;
  if ADBXType = JsonValueType then
  begin
    target.SetObject(AJSON);
    Exit;
  end;
  case AJSON.JSONType of
    jtString: target.SetText(AJSON.AsString);
    jtBoolean: target.SetBoolean(AJSON.AsBoolean);
    jtNumber:
      if ADBXType in [DoubleType, SingleType, CurrencyType, BcdType] then
        target.SetReal(AJSON.AsFloat)
      else
        target.SetInteger(AJSON.AsInt64);
    jtArray:
      if ADBXType = BinaryBlobType then
      begin
        stream := TMemoryStream.Create;
        for i := 0 to AJSON.Count - 1 do
        begin
          b := Byte(AJSON.Items[i].AsInteger);
          stream.WriteBuffer(b, 1);
        end;
        stream.Position := 0;
        target.SetObject(stream);
      end
      else
      begin
        target.SetObject(AJSON);
        Exit;
      end;
    jtObject:
      if ADBXType = TableType then
      begin
        if ATypeName = 'TParams' then
          target.SetObject(TDSParams.Create(TJSONObject(AJSON)))
        else
          target.SetObject(TDBXReader.Create(TJSONObject(AJSON)));
        Exit;
      end
      else
      begin
        target.SetObject(AJSON);
        Exit;
      end;
  end;
  AJSON.Free;
end;

end.
