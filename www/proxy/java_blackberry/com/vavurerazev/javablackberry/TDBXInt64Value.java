package com.vavurerazev.javablackberry;

public class TDBXInt64Value extends DBXValue {}
