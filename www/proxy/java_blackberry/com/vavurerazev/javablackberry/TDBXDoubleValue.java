package com.vavurerazev.javablackberry;

public class TDBXDoubleValue extends DBXValue {}
