// Quillara REST client for FreePascal: the base of the generated client classes.
unit DSAdmin;

{$mode objfpc}{$H+}

interface

uses
  DSRESTConnection;

type
  TDSAdmin = class
  private
    FConnection: TDSRESTConnection;
  public
    // The connection stays with the caller.
    constructor Create(AConnection: TDSRESTConnection);
    property Connection: TDSRESTConnection read FConnection;
  end;

implementation

constructor TDSAdmin.Create(AConnection: TDSRESTConnection);
begin
  inherited Create;
  FConnection := AConnection;
end;

end.
