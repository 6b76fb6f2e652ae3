// Quillara REST client for FreePascal: tables as the server sends them, in their JSON table form.
unit DBXFPCCommon;

{$mode objfpc}{$H+}

interface

uses
  DBXFPCJson;

type
  TDBXReader = class
  private
    FTable: TJSONObject;
  public
    // Takes the table.
    constructor Create(ATable: TJSONObject);
    destructor Destroy; override;
    property Table: TJSONObject read FTable;
  end;

  TDSParams = class(TDBXReader);

implementation

constructor TDBXReader.Create(ATable: TJSONObject);
begin
  inherited Create;
  FTable := ATable;
end;

destructor TDBXReader.Destroy;
begin
  FTable.Free;
  inherited Destroy;
end;

end.
