package com.vavurerazev.javablackberry;

public class TDBXAnsiCharsValue extends DBXValue {}
