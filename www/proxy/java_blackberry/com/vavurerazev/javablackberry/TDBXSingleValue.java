package com.vavurerazev.javablackberry;

public class TDBXSingleValue extends DBXValue {}
