package com.vavurerazev.javablackberry;

import java.util.ArrayList;
import java.util.List;

/** One call of a server method: its name, verb and parameters. */
public class DSRESTCommand {
  private final DSRESTConnection connection;
  private DSHTTPRequestType requestType = DSHTTPRequestType.GET;
  private String text = "";
  private final List<DSRESTParameter> parameters = new ArrayList<DSRESTParameter>();

  public DSRESTCommand(DSRESTConnection connection) { this.connection = connection; }

  public DSRESTConnection getConnection() { return connection; }
  public void setRequestType(DSHTTPRequestType type) { requestType = type; }
  public DSHTTPRequestType getRequestType() { return requestType; }
  public void setText(String text) { this.text = text; }
  public String getText() { return text; }

  public void prepare(DSRESTParameterMetaData[] metaData) {
    parameters.clear();
    for (DSRESTParameterMetaData m : metaData) parameters.add(new DSRESTParameter(m));
  }

  public DSRESTParameter getParameter(int index) { return parameters.get(index); }
  public List<DSRESTParameter> getParameters() { return parameters; }

  public void execute() throws DBXException { connection.execute(this); }
}
