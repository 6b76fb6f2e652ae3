package com.vavurerazev.javablackberry;

public class TDBXStringValue extends DBXValue {}
