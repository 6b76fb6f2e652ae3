package com.vavurerazev.javablackberry;

import java.util.ArrayList;
import java.util.List;

public class TJSONObject extends TJSONValue {
  private final List<String> names = new ArrayList<String>();
  private final List<TJSONValue> values = new ArrayList<TJSONValue>();

  public TJSONObject addPairs(String name, TJSONValue value) {
    names.add(name);
    values.add(value);
    return this;
  }

  public TJSONValue get(String name) {
    int i = names.indexOf(name);
    return i < 0 ? null : values.get(i);
  }

  public int size() {
    return names.size();
  }

  @Override
  public String toString() {
    StringBuilder b = new StringBuilder("{");
    for (int i = 0; i < names.size(); i++) {
      if (i > 0) b.append(',');
      b.append(quote(names.get(i))).append(':').append(values.get(i));
    }
    return b.append('}').toString();
  }
}
