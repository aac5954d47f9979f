<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja_JP">
<context>
    <name>Panel</name>
    <message>
        <source>停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>開始</source>
        <translation>Start</translation>
    </message>
</context>
</TS>
