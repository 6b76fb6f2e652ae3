package com.vavurerazev.javaandroid;

import java.util.ArrayList;
import java.util.List;

public class TJSONArray extends TJSONValue {
  private final List<TJSONValue> values = new ArrayList<TJSONValue>();

  public TJSONArray add(TJSONValue value) {
    values.add(value);
    return this;
  }

  public TJSONValue get(int index) {
    return values.get(index);
  }

  public int size() {
    return values.size();
  }

  @Override
  public String toString() {
    StringBuilder b = new StringBuilder("[");
    for (int i = 0; i < values.size(); i++) {
      if (i > 0) b.append(',');
      b.append(values.get(i));
    }
    return b.append(']').toString();
  }
}
