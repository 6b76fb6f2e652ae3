package com.vavurerazev.javablackberry;

public enum DSHTTPRequestType { GET, POST, PUT, DELETE }
