package com.vavurerazev.javablackberry;

public class TDBXInt8Value extends DBXValue {}
