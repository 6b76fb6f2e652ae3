// Quillara REST client for FreePascal: the JSON classes the generated proxies name, over fpjson.
unit DBXFPCJson;

{$mode objfpc}{$H+}

interface

uses
  fpjson, jsonparser;

type
  TJSONValue = TJSONData;
  TJSONObject = fpjson.TJSONObject;
  TJSONArray = fpjson.TJSONArray;
  TJSONNull = fpjson.TJSONNull;
  // The parser makes one Boolean class for both; "as TJSONTrue" accepts either.
  TJSONTrue = TJSONBoolean;
  TJSONFalse = TJSONBoolean;

// Reads JSON text; fails with the parser's exception.
function ParseJSONValue(const AText: string): TJSONValue;

implementation

function ParseJSONValue(const AText: string): TJSONValue;
begin
  Result := GetJSON(AText);
end;

end.
