package com.vavurerazev.javablackberry;

public class TDBXInt32Value extends DBXValue {}
