{ Quillara REST client for FreePascal: base of the generated client classes. }
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
    constructor Create(AConnection: TDSRESTConnection); virtual;
    property Connection: TDSRESTConnection read FConnection;
  end;

implementation

constructor TDSAdmin.Create(AConnection: TDSRESTConnection);
begin
  inherited Create;
  FConnection := AConnection;
end;

end.
