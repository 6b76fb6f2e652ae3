package com.vavurerazev.javablackberry;

public class TDBXTimeStampValue extends DBXValue {}
