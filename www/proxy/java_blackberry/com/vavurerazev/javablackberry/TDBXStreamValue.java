package com.vavurerazev.javablackberry;

public class TDBXStreamValue extends DBXValue {}
