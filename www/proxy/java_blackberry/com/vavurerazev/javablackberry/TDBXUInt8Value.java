package com.vavurerazev.javablackberry;

public class TDBXUInt8Value extends DBXValue {}
