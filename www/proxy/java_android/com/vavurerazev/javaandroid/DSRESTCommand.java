package com.vavurerazev.javaandroid;

import java.util.ArrayList;
import java.util.List;

/** One call of a remote method: its name, its request type and its parameters in order. */
public class DSRESTCommand {
  private final DSRESTConnection connection;
  private DSHTTPRequestType requestType = DSHTTPRequestType.GET;
  private String text;
  private final List<DSRESTParameter> parameters = new ArrayList<DSRESTParameter>();

  public DSRESTCommand(DSRESTConnection connection) {
    this.connection = connection;
  }

  public void setRequestType(DSHTTPRequestType type) {
    requestType = type;
  }

  public DSHTTPRequestType getRequestType() {
    return requestType;
  }

  public void setText(String text) {
    this.text = text;
  }

  public String getText() {
    return text;
  }

  public void prepare(DSRESTParameterMetaData[] metadata) {
    parameters.clear();
    for (DSRESTParameterMetaData m : metadata) parameters.add(new DSRESTParameter(m));
  }

  public DSRESTParameter getParameter(int index) {
    return parameters.get(index);
  }

  public List<DSRESTParameter> getParameters() {
    return parameters;
  }

  public void execute() throws DBXException {
    connection.execute(this);
  }
}
