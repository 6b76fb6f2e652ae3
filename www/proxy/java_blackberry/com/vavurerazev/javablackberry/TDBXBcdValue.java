package com.vavurerazev.javablackberry;

public class TDBXBcdValue extends DBXValue {}
