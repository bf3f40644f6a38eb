<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- Stands in for Qt's own English file: shows that "qt_" files are found in
     the install's share folder. -->
<TS version="2.1" language="en_US" sourcelanguage="ru_RU">
<context>
    <name>TranslatorMngrTest</name>
    <message>
        <source>Образец</source>
        <translation>Sample from the share folder</translation>
    </message>
</context>
</TS>
