package com.vavurerazev.javaandroid;

public enum DSHTTPRequestType { GET, POST, PUT, DELETE }
