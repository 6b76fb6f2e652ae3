package com.vavurerazev.javablackberry;

public class TDBXWideStringValue extends DBXValue {}
