// Quillara REST client for FreePascal: the description of one parameter of a server method.
unit DSRESTParameterMetaData;

{$mode objfpc}{$H+}

interface

uses
  DSRestTypes;

type
  TDSRESTParameterMetaData = class;
  TDSRESTParameterMetaDataArray = array of TDSRESTParameterMetaData;

  TDSRESTParameterMetaData = class
  public
    Name: string;
    Direction: TDSRESTParamDirection;
    DBXType: Integer;
    TypeName: string;
    class function CreateParam(const AName: string; ADirection: TDSRESTParamDirection;
      ADBXType: Integer; const ATypeName: string): TDSRESTParameterMetaData;
    // Frees the descriptions and empties the array.
    class procedure releaseArray(var AArray: TDSRESTParameterMetaDataArray);
  end;

implementation

class function TDSRESTParameterMetaData.CreateParam(const AName: string; ADirection: TDSRESTParamDirection;
  ADBXType: Integer; const ATypeName: string): TDSRESTParameterMetaData;
begin
  Result := TDSRESTParameterMetaData.Create;
  Result.Name := AName;
  Result.Direction := ADirection;
  Result.DBXType := ADBXType;
  Result.TypeName := ATypeName;
end;

class procedure TDSRESTParameterMetaData.releaseArray(var AArray: TDSRESTParameterMetaDataArray);
var
  i: Integer;
begin
  for i := 0 to High(AArray) do
    AArray[i].Free;
  SetLength(AArray, 0);
end;

end.
