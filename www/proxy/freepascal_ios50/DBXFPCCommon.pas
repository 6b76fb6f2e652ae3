{ Quillara REST client for FreePascal: tables as the server sends them, kept in JSON form. }
unit DBXFPCCommon;

{$mode objfpc}{$H+}

interface

uses
  DBXFPCJson;

type
  TDBXReader = class
  private
    FJSON: TJSONValue;
  public
    constructor Create(AJSON: TJSONValue);
    destructor Destroy; override;
    property JSON: TJSONValue read FJSON;
  end;

  TDSParams = class(TDBXReader);

implementation

constructor TDBXReader.Create(AJSON: TJSONValue);
begin
  inherited Create;
  FJSON := AJSON;
end;

destructor TDBXReader.Destroy;
begin
  FJSON.Free;
  inherited Destroy;
end;

end.
