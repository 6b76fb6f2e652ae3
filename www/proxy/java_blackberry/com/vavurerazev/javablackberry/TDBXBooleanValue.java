package com.vavurerazev.javablackberry;

public class TDBXBooleanValue extends DBXValue {}
