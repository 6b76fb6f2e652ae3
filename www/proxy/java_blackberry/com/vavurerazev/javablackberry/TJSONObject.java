package com.vavurerazev.javablackberry;

import java.util.LinkedHashMap;
import java.util.Map;

public class TJSONObject extends TJSONValue {
  private final Map<String, TJSONValue> pairs = new LinkedHashMap<String, TJSONValue>();

  public TJSONObject addPairs(String name, TJSONValue value) {
    pairs.put(name, value);
    return this;
  }

  public TJSONValue get(String name) { return pairs.get(name); }
  public Map<String, TJSONValue> getPairs() { return pairs; }

  @Override
  public String toString() {
    StringBuilder b = new StringBuilder("{");
    for (Map.Entry<String, TJSONValue> e : pairs.entrySet()) {
      if (b.length() > 1) b.append(',');
      b.append(quote(e.getKey())).append(':').append(e.getValue());
    }
    return b.append('}').toString();
  }
}
