package com.vavurerazev.javablackberry;

public class TDBXInt16Value extends DBXValue {}
