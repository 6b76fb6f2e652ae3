package com.vavurerazev.javablackberry;

public class TDBXAnsiStringValue extends DBXValue {}
