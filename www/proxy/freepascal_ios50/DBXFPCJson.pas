{ Quillara REST client for FreePascal: JSON values as the server sends them. }
unit DBXFPCJson;

{$mode objfpc}{$H+}

interface

type
  { A JSON value kept in its text form; the subclasses tell its kind. }
  TJSONValue = class
  private
    FText: string;
  public
    constructor Create(const AJSONText: string); virtual;
    function ToString: string; override;
    { The value of a JSON text, as the subclass of its kind; nil for text that is not JSON. }
    class function Parse(const AJSONText: string): TJSONValue;
  end;
  TJSONValueClass = class of TJSONValue;

  TJSONObject = class(TJSONValue)
  public
    { The member's value, or nil; the caller owns it. }
    function Get(const AName: string): TJSONValue;
  end;

  TJSONArray = class(TJSONValue)
  public
    function Size: Integer;
    { The item, or nil; the caller owns it. }
    function Get(AIndex: Integer): TJSONValue;
  end;

  TJSONTrue = class(TJSONValue);
  TJSONFalse = class(TJSONValue);
  TJSONNull = class(TJSONValue);

implementation

uses
  fpjson, jsonparser, SysUtils;

function ParseData(const AText: string): TJSONData;
begin
  try
    Result := GetJSON(AText);
  except
    Result := nil;
  end;
end;

function KindOf(AData: TJSONData): TJSONValueClass;
begin
  case AData.JSONType of
    jtObject: Result := TJSONObject;
    jtArray: Result := TJSONArray;
    jtNull: Result := TJSONNull;
    jtBoolean:
      if AData.AsBoolean then Result := TJSONTrue else Result := TJSONFalse;
  else
    Result := TJSONValue;
  end;
end;

constructor TJSONValue.Create(const AJSONText: string);
begin
  inherited Create;
  FText := AJSONText;
end;

function TJSONValue.ToString: string;
begin
  Result := FText;
end;

class function TJSONValue.Parse(const AJSONText: string): TJSONValue;
var
  data: TJSONData;
begin
  data := ParseData(AJSONText);
  if data = nil then
    Exit(nil);
  try
    Result := KindOf(data).Create(data.AsJSON);
  finally
    data.Free;
  end;
end;

function TJSONObject.Get(const AName: string): TJSONValue;
var
  data, item: TJSONData;
begin
  Result := nil;
  data := ParseData(FText);
  try
    if (data is fpjson.TJSONObject) then
    begin
      item := fpjson.TJSONObject(data).Find(AName);
      if item <> nil then
        Result := KindOf(item).Create(item.AsJSON);
    end;
  finally
    data.Free;
  end;
end;

function TJSONArray.Size: Integer;
var
  data: TJSONData;
begin
  data := ParseData(FText);
  try
    if data <> nil then Result := data.Count else Result := 0;
  finally
    data.Free;
  end;
end;

function TJSONArray.Get(AIndex: Integer): TJSONValue;
var
  data: TJSONData;
begin
  Result := nil;
  data := ParseData(FText);
  try
    if (data <> nil) and (AIndex >= 0) and (AIndex < data.Count) then
      Result := KindOf(data.Items[AIndex]).Create(data.Items[AIndex].AsJSON);
  finally
    data.Free;
  end;
end;

end.
