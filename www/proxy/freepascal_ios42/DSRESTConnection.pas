// Quillara REST client for FreePascal: commands and the connection that runs them against the
// server's /dataserver/rest/ path.
unit DSRESTConnection;

{$mode objfpc}{$H+}

interface

uses
  Classes, SysUtils, fphttpclient, DBXFPCJson, DBXValue, DSRESTParameterMetaData, DSRestTypes;

type
  EDSRESTException = class(Exception);

  TDSRESTParameter = class
  private
    FMetaData: TDSRESTParameterMetaData;
    FValue: TDBXValue;
  public
    constructor Create(AMetaData: TDSRESTParameterMetaData);
    destructor Destroy; override;
    function IsInput: Boolean;
    function IsOutput: Boolean;
    property MetaData: TDSRESTParameterMetaData read FMetaData;
    property Value: TDBXValue read FValue;
  end;

  TDSRESTParameterList = class
  private
    FItems: TList;
    function GetItem(Index: Integer): TDSRESTParameter;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Clear;
    procedure Add(AParameter: TDSRESTParameter);
    function Count: Integer;
    property items[Index: Integer]: TDSRESTParameter read GetItem; default;
  end;

  TDSRESTConnection = class;

  TDSRestCommand = class
  private
    FConnection: TDSRESTConnection;
    FParameters: TDSRESTParameterList;
  public
    RequestType: TDSHTTPRequestType;
    text: string;
    constructor Create(AConnection: TDSRESTConnection);
    destructor Destroy; override;
    // The descriptions stay with the caller.
    procedure prepare(const AMetaData: TDSRESTParameterMetaDataArray);
    procedure execute;
    property parameters: TDSRESTParameterList read FParameters;
  end;

  TDSRESTConnection = class
  public
    Protocol: string;
    Host: string;
    Port: Integer;
    SessionID: string;
    constructor Create;
    function createCommand: TDSRestCommand;
    procedure execute(ACommand: TDSRestCommand);
  end;

implementation

uses
  fpjson;

constructor TDSRESTParameter.Create(AMetaData: TDSRESTParameterMetaData);
begin
  inherited Create;
  FMetaData := AMetaData;
  FValue := TDBXValue.Create;
end;

destructor TDSRESTParameter.Destroy;
begin
  FValue.Free;
  inherited Destroy;
end;

function TDSRESTParameter.IsInput: Boolean;
begin
  Result := FMetaData.Direction in [Input, InputOutput];
end;

function TDSRESTParameter.IsOutput: Boolean;
begin
  Result := FMetaData.Direction in [Output, InputOutput, ReturnValue];
end;

constructor TDSRESTParameterList.Create;
begin
  inherited Create;
  FItems := TList.Create;
end;

destructor TDSRESTParameterList.Destroy;
begin
  Clear;
  FItems.Free;
  inherited Destroy;
end;

procedure TDSRESTParameterList.Clear;
var
  i: Integer;
begin
  for i := 0 to FItems.Count - 1 do
    TDSRESTParameter(FItems[i]).Free;
  FItems.Clear;
end;

procedure TDSRESTParameterList.Add(AParameter: TDSRESTParameter);
begin
  FItems.Add(AParameter);
end;

function TDSRESTParameterList.Count: Integer;
begin
  Result := FItems.Count;
end;

function TDSRESTParameterList.GetItem(Index: Integer): TDSRESTParameter;
begin
  Result := TDSRESTParameter(FItems[Index]);
end;

constructor TDSRestCommand.Create(AConnection: TDSRESTConnection);
begin
  inherited Create;
  FConnection := AConnection;
  FParameters := TDSRESTParameterList.Create;
  RequestType := GET;
end;

destructor TDSRestCommand.Destroy;
begin
  FParameters.Free;
  inherited Destroy;
end;

procedure TDSRestCommand.prepare(const AMetaData: TDSRESTParameterMetaDataArray);
var
  m: TDSRESTParameterMetaData;
begin
  FParameters.Clear;
  for m in AMetaData do
    FParameters.Add(TDSRESTParameter.Create(m));
end;

procedure TDSRestCommand.execute;
begin
  FConnection.execute(Self);
end;

constructor TDSRESTConnection.Create;
begin
  inherited Create;
  Protocol := 'http';
  Host := '127.0.0.1';
  Port := 80;
end;

function TDSRESTConnection.createCommand: TDSRestCommand;
begin
  Result := TDSRestCommand.Create(Self);
end;

function Encode(const AText: string): string;
const
  Safe = ['A'..'Z', 'a'..'z', '0'..'9', '-', '_', '.', '~'];
var
  c: Char;
begin
  Result := '';
  for c in AText do
    if c in Safe then
      Result := Result + c
    else
      Result := Result + '%' + IntToHex(Ord(c), 2);
end;

procedure TDSRESTConnection.execute(ACommand: TDSRestCommand);
const
  Verbs: array[TDSHTTPRequestType] of string = ('GET', 'POST', 'PUT', 'DELETE');
var
  http: TFPHTTPClient;
  url, method, pragma: string;
  dot, i, outputs, next: Integer;
  inBody: Boolean;
  body: TJSONArray;
  envelope: TJSONObject;
  answer, error, result: TJSONData;
  payload, response: TStringStream;
  bytes: TMemoryStream;
  only: TDSRESTParameter;
begin
  dot := Pos('.', ACommand.text);
  if dot = 0 then
    raise EDSRESTException.Create('Command text is not Class.Method: ' + ACommand.text);
  // Quoted, the method name is taken as it is whatever the verb.
  method := Encode(Copy(ACommand.text, dot + 1, MaxInt));
  if ACommand.RequestType <> GET then
    method := '%22' + method + '%22';
  url := Protocol + '://' + Host + ':' + IntToStr(Port) + '/dataserver/rest/' +
    Encode(Copy(ACommand.text, 1, dot - 1)) + '/' + method;
  inBody := ACommand.RequestType in [POST, PUT];
  body := TJSONArray.Create;
  http := TFPHTTPClient.Create(nil);
  response := TStringStream.Create('');
  payload := nil;
  try
    for i := 0 to ACommand.parameters.Count - 1 do
      if ACommand.parameters[i].IsInput then
        if inBody then
          body.Add(ACommand.parameters[i].Value.ToJSON)
        else
          url := url + '/' + Encode(ACommand.parameters[i].Value.ToURLText);
    http.AddHeader('Accept', 'application/JSON');
    if SessionID <> '' then
      http.AddHeader('Pragma', 'dssession=' + SessionID);
    if body.Count > 0 then
    begin
      envelope := TJSONObject.Create(['_parameters', body]);
      body := nil;
      payload := TStringStream.Create(envelope.AsJSON);
      envelope.Free;
      http.RequestBody := payload;
      http.AddHeader('Content-Type', 'text/plain;charset=UTF-8');
    end;
    http.HTTPMethod(Verbs[ACommand.RequestType], url, response, []);
    pragma := http.GetHeader(http.ResponseHeaders, 'Pragma');
    if Copy(pragma, 1, 10) = 'dssession=' then
      SessionID := Copy(pragma, 11, Pos(',', pragma + ',') - 11);
    // A call whose only output is a stream is answered with the bare bytes.
    outputs := 0;
    only := nil;
    for i := 0 to ACommand.parameters.Count - 1 do
      if ACommand.parameters[i].IsOutput then
      begin
        Inc(outputs);
        only := ACommand.parameters[i];
      end;
    if (http.ResponseStatusCode < 400) and (outputs = 1) and (only.MetaData.DBXType = BinaryBlobType) then
    begin
      bytes := TMemoryStream.Create;
      response.Position := 0;
      bytes.CopyFrom(response, response.Size);
      bytes.Position := 0;
      only.Value.AsStream := bytes;
      Exit;
    end;
    answer := ParseJSONValue(response.DataString);
    try
      if not (answer is TJSONObject) then
        raise EDSRESTException.CreateFmt('HTTP %d: unexpected answer', [http.ResponseStatusCode]);
      error := TJSONObject(answer).Find('error');
      if error <> nil then
        raise EDSRESTException.Create(error.AsString);
      result := TJSONObject(answer).Find('result');
      if not (result is TJSONArray) then
        raise EDSRESTException.CreateFmt('HTTP %d: no result', [http.ResponseStatusCode]);
      next := 0;
      for i := 0 to ACommand.parameters.Count - 1 do
        if ACommand.parameters[i].IsOutput and (next < result.Count) then
        begin
          ACommand.parameters[i].Value.FromJSON(TJSONArray(result).Extract(0),
            ACommand.parameters[i].MetaData.DBXType, ACommand.parameters[i].MetaData.TypeName);
          Inc(next);
        end;
    finally
      answer.Free;
    end;
  finally
    body.Free;
    payload.Free;
    response.Free;
    http.Free;
  end;
end;

end.
