package com.vavurerazev.javablackberry;

import java.util.List;

public class TJSONArray extends TJSONValue {
  private final List<TJSONValue> items = list();

  public TJSONArray add(TJSONValue value) {
    items.add(value);
    return this;
  }

  public TJSONValue get(int index) { return items.get(index); }
  public int size() { return items.size(); }

  @Override
  public String toString() {
    StringBuilder b = new StringBuilder("[");
    for (int i = 0; i < items.size(); i++) b.append(i > 0 ? "," : "").append(items.get(i));
    return b.append(']').toString();
  }
}
