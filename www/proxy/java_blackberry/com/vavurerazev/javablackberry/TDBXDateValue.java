package com.vavurerazev.javablackberry;

public class TDBXDateValue extends DBXValue {}
