package com.vavurerazev.javablackberry;

public class TDBXTimeValue extends DBXValue {}
