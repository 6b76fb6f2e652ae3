(* Quillara REST client for FreePascal: commands and the connection that runs them against a
   Quillara server: GET /dataserver/rest/Class/Method/arg/... or POST with
   {"_parameters":[...]}; the answer {"result":[...]} fills the output parameters in order. *)
unit DSRESTConnection;

{$mode objfpc}{$H+}

interface

uses
  Classes, SysUtils, DSRestTypes, DSRESTParameterMetaData, DBXValue;

type
  EDSRestException = class(Exception);

  TDSRestParameter = class
  private
    FMetaData: TDSRESTParameterMetaData;
    FValue: TDBXValue;
  public
    constructor Create(AMetaData: TDSRESTParameterMetaData);
    destructor Destroy; override;
    property MetaData: TDSRESTParameterMetaData read FMetaData;
    property Value: TDBXValue read FValue;
  end;

  TDSRestParameterList = class
  private
    FItems: TList;
    function GetItem(Index: Integer): TDSRestParameter;
    function GetCount: Integer;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Clear;
    procedure Add(AParameter: TDSRestParameter);
    property items[Index: Integer]: TDSRestParameter read GetItem; default;
    property Count: Integer read GetCount;
  end;

  TDSRESTConnection = class;

  TDSRestCommand = class
  private
    FConnection: TDSRESTConnection;
    FParameters: TDSRestParameterList;
  public
    RequestType: TDSHTTPRequestType;
    text: string;
    constructor Create(AConnection: TDSRESTConnection);
    destructor Destroy; override;
    procedure prepare(const AMetaData: array of TDSRESTParameterMetaData);
    procedure execute;
    property parameters: TDSRestParameterList read FParameters;
  end;

  TDSRESTConnection = class
  private
    FHost: string;
    FPort: Integer;
    FProtocol: string;
    FSessionId: string;
  public
    constructor Create;
    function createCommand: TDSRestCommand;
    procedure execute(ACommand: TDSRestCommand);
    property Host: string read FHost write FHost;
    property Port: Integer read FPort write FPort;
    property Protocol: string read FProtocol write FProtocol;
  end;

implementation

uses
  fphttpclient, fpjson, jsonparser;

constructor TDSRestParameter.Create(AMetaData: TDSRESTParameterMetaData);
begin
  inherited Create;
  FMetaData := AMetaData;
  FValue := TDBXValue.Create;
  FValue.TypeName := AMetaData.TypeName;
end;

destructor TDSRestParameter.Destroy;
begin
  FValue.Free;
  inherited Destroy;
end;

constructor TDSRestParameterList.Create;
begin
  inherited Create;
  FItems := TList.Create;
end;

destructor TDSRestParameterList.Destroy;
begin
  Clear;
  FItems.Free;
  inherited Destroy;
end;

procedure TDSRestParameterList.Clear;
var
  i: Integer;
begin
  for i := 0 to FItems.Count - 1 do
    TDSRestParameter(FItems[i]).Free;
  FItems.Clear;
end;

procedure TDSRestParameterList.Add(AParameter: TDSRestParameter);
begin
  FItems.Add(AParameter);
end;

function TDSRestParameterList.GetItem(Index: Integer): TDSRestParameter;
begin
  Result := TDSRestParameter(FItems[Index]);
end;

function TDSRestParameterList.GetCount: Integer;
begin
  Result := FItems.Count;
end;

constructor TDSRestCommand.Create(AConnection: TDSRESTConnection);
begin
  inherited Create;
  FConnection := AConnection;
  FParameters := TDSRestParameterList.Create;
  RequestType := GET;
end;

destructor TDSRestCommand.Destroy;
begin
  FParameters.Free;
  inherited Destroy;
end;

procedure TDSRestCommand.prepare(const AMetaData: array of TDSRESTParameterMetaData);
var
  i: Integer;
begin
  FParameters.Clear;
  for i := Low(AMetaData) to High(AMetaData) do
    FParameters.Add(TDSRestParameter.Create(AMetaData[i]));
end;

procedure TDSRestCommand.execute;
begin
  FConnection.execute(Self);
end;

constructor TDSRESTConnection.Create;
begin
  inherited Create;
  FHost := 'localhost';
  FPort := 80;
  FProtocol := 'http';
end;

function TDSRESTConnection.createCommand: TDSRestCommand;
begin
  Result := TDSRestCommand.Create(Self);
end;

procedure TDSRESTConnection.execute(ACommand: TDSRestCommand);
const
  Methods: array[TDSHTTPRequestType] of string = ('GET', 'POST', 'PUT', 'DELETE');
var
  url, inputs, answerText, value: string;
  dot, i, next: Integer;
  direction: TDSRESTParamDirection;
  client: TFPHTTPClient;
  body, response: TStringStream;
  answer, results, error: TJSONData;
begin
  dot := Pos('.', ACommand.text);
  if dot = 0 then
    raise EDSRestException.Create('Invalid command text: ' + ACommand.text);
  url := Format('%s://%s:%d/dataserver/rest/%s/%s', [FProtocol, FHost, FPort, Copy(ACommand.text, 1, dot - 1),
    Copy(ACommand.text, dot + 1, MaxInt)]);
  inputs := '';
  for i := 0 to ACommand.parameters.Count - 1 do
  begin
    direction := ACommand.parameters[i].MetaData.Direction;
    if not (direction in [Input, InputOutput]) then
      Continue;
    value := ACommand.parameters[i].Value.ToJSON;
    if ACommand.RequestType = GET then
    begin
      if (Length(value) > 1) and (value[1] = '"') then
        value := JSONStringToString(Copy(value, 2, Length(value) - 2));
      url := url + '/' + EncodeURLElement(value);
    end
    else
    begin
      if inputs <> '' then inputs := inputs + ',';
      inputs := inputs + value;
    end;
  end;
  client := TFPHTTPClient.Create(nil);
  body := nil;
  response := nil;
  answer := nil;
  try
    if FSessionId <> '' then
      client.AddHeader('Pragma', 'dssession=' + FSessionId);
    if ACommand.RequestType <> GET then
    begin
      body := TStringStream.Create('{"_parameters":[' + inputs + ']}');
      client.RequestBody := body;
    end;
    response := TStringStream.Create('');
    client.HTTPMethod(Methods[ACommand.RequestType], url, response, []);
    answerText := response.DataString;
    value := client.ResponseHeaders.Values['Pragma'];
    if Pos('dssession=', value) = 1 then
      FSessionId := Copy(value, 11, MaxInt);
    answer := GetJSON(answerText);
    if not (answer is fpjson.TJSONObject) then
      raise EDSRestException.Create('Invalid answer');
    error := fpjson.TJSONObject(answer).Find('error');
    if error <> nil then
      raise EDSRestException.Create(error.AsString);
    results := fpjson.TJSONObject(answer).Find('result');
    next := 0;
    for i := 0 to ACommand.parameters.Count - 1 do
    begin
      if ACommand.parameters[i].MetaData.Direction = Input then
        Continue;
      if (results <> nil) and (next < results.Count) then
        ACommand.parameters[i].Value.FromJSON(results.Items[next].AsJSON);
      Inc(next);
    end;
  finally
    answer.Free;
    response.Free;
    body.Free;
    client.Free;
  end;
end;

end.
