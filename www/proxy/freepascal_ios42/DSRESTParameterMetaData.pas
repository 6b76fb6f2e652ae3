{ Quillara REST client for FreePascal: the description of one parameter of a remote method. }
unit DSRESTParameterMetaData;

{$mode objfpc}{$H+}

interface

uses
  DSRestTypes;

type
  TDSRESTParameterMetaData = class
  public
    Name: string;
    Direction: TDSRESTParamDirection;
    DBXType: Integer;
    TypeName: string;
    class function CreateParam(const AName: string; ADirection: TDSRESTParamDirection; ADBXType: Integer;
      const ATypeName: string): TDSRESTParameterMetaData;
    class procedure releaseArray(var AArray: array of TDSRESTParameterMetaData);
  end;

  TDSRESTParameterMetaDataArray = array of TDSRESTParameterMetaData;

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

class procedure TDSRESTParameterMetaData.releaseArray(var AArray: array of TDSRESTParameterMetaData);
var
  i: Integer;
begin
  for i := Low(AArray) to High(AArray) do
  begin
    AArray[i].Free;
    AArray[i] := nil;
  end;
end;

end.
