package com.vavurerazev.javablackberry;

public class TDBXUInt16Value extends DBXValue {}
