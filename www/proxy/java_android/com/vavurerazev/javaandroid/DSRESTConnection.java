package com.vavurerazev.javaandroid;

import java.io.ByteArrayOutputStream;
import java.io.InputStream;
import java.io.OutputStream;
import java.net.HttpURLConnection;
import java.net.URL;
import java.net.URLEncoder;

/**
 * Runs commands against a Quillara server: GET /dataserver/rest/Class/Method/arg/... or POST
 * with {"_parameters":[...]}; the answer {"result":[...]} fills the output parameters in order.
 */
public class DSRESTConnection {
  private String host = "localhost";
  private int port = 80;
  private String protocol = "http";
  private String sessionId;

  public void setHost(String host) {
    this.host = host;
  }

  public void setPort(int port) {
    this.port = port;
  }

  public void setProtocol(String protocol) {
    this.protocol = protocol;
  }

  public DSRESTCommand CreateCommand() {
    return new DSRESTCommand(this);
  }

  public void execute(DSRESTCommand command) throws DBXException {
    String[] names = command.getText().split("\\.");
    if (names.length != 2) throw new DBXException("Invalid command text: " + command.getText());
    try {
      StringBuilder url = new StringBuilder();
      url.append(protocol).append("://").append(host).append(':').append(port).append("/dataserver/rest/")
          .append(names[0]).append('/').append(names[1]);
      TJSONArray inputs = new TJSONArray();
      for (DSRESTParameter p : command.getParameters()) {
        int d = p.getMetaData().Direction;
        if (d == DSRESTParamDirection.Input || d == DSRESTParamDirection.InputOutput) inputs.add(p.getValue().toJSON());
      }
      boolean get = command.getRequestType() == DSHTTPRequestType.GET;
      if (get) {
        for (int i = 0; i < inputs.size(); i++) {
          TJSONValue v = inputs.get(i);
          String s = v instanceof TJSONString ? ((TJSONString) v).getValue() : v.toString();
          url.append('/').append(URLEncoder.encode(s, "UTF-8").replace("+", "%20"));
        }
      }
      HttpURLConnection http = (HttpURLConnection) new URL(url.toString()).openConnection();
      if (sessionId != null) http.setRequestProperty("Pragma", "dssession=" + sessionId);
      if (!get) {
        http.setRequestMethod(command.getRequestType().name());
        http.setDoOutput(true);
        TJSONObject body = new TJSONObject();
        body.addPairs("_parameters", inputs);
        OutputStream out = http.getOutputStream();
        out.write(body.toString().getBytes("UTF-8"));
        out.close();
      }
      int status = http.getResponseCode();
      InputStream in = status >= 400 ? http.getErrorStream() : http.getInputStream();
      ByteArrayOutputStream bytes = new ByteArrayOutputStream();
      if (in != null) {
        byte[] buf = new byte[8192];
        for (int n; (n = in.read(buf)) > 0;) bytes.write(buf, 0, n);
        in.close();
      }
      String pragma = http.getHeaderField("Pragma");
      if (pragma != null && pragma.startsWith("dssession=")) sessionId = pragma.substring(10).split(",")[0];
      TJSONValue answer = TJSONValue.parse(new String(bytes.toByteArray(), "UTF-8"));
      if (!(answer instanceof TJSONObject)) throw new DBXException("Invalid answer, status " + status);
      TJSONValue error = ((TJSONObject) answer).get("error");
      if (error != null) throw new DBXException(error instanceof TJSONString ? ((TJSONString) error).getValue() : error.toString());
      TJSONValue result = ((TJSONObject) answer).get("result");
      TJSONArray results = result instanceof TJSONArray ? (TJSONArray) result : new TJSONArray();
      int next = 0;
      for (DSRESTParameter p : command.getParameters()) {
        int d = p.getMetaData().Direction;
        if (d == DSRESTParamDirection.Input) continue;
        if (next < results.size()) p.getValue().fromJSON(results.get(next));
        next++;
      }
    } catch (DBXException e) {
      throw e;
    } catch (Exception e) {
      throw new DBXException(e.getMessage(), e);
    }
  }
}
