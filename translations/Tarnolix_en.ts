<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ru_RU">
<context>
    <name>QCoreApplication</name>
    <message>
        <source>Английский</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Русский</source>
        <translation>Russian</translation>
    </message>
    <message>
        <source>Санскрит</source>
        <translation>Sanskrit</translation>
    </message>
</context>
<context>
    <name>DebugHelper</name>
    <message>
        <source>Выберите архив книги</source>
        <translation>Choose a book archive</translation>
    </message>
</context>
<context>
    <name>HTMLCreator</name>
    <message>
        <source>Новая вкладка</source>
        <translation>New tab</translation>
    </message>
    <message>
        <source>Воспользуйтесь поиском </source>
        <translation>Use the search </translation>
    </message>
    <message>
        <source>(сверху)</source>
        <translation>(above)</translation>
    </message>
    <message>
        <source>или откройте любую книгу из каталога</source>
        <translation>or open any book from the catalogue</translation>
    </message>
    <message>
        <source>(слева)</source>
        <translation>(on the left)</translation>
    </message>
    <message>
        <source>рус</source>
        <translation>rus</translation>
    </message>
</context>
<context>
    <name>SecondThread</name>
    <message>
        <source>Не удалось открыть базу данных! Поиск может не работать!</source>
        <translation>The database could not be opened! Search may not work!</translation>
    </message>
</context>
<context>
    <name>TabStatus</name>
    <message>
        <source>Ошибка 0x54256972</source>
        <translation>Error 0x54256972</translation>
    </message>
</context>
<context>
    <name>TabWebChannel</name>
    <message>
        <source>Примечание №%1</source>
        <translation>Note No. %1</translation>
    </message>
</context>
<context>
    <name>Tarnolix</name>
    <message>
        <source>Приложение уже запущено!</source>
        <translation>The application is already running!</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Читальный зал ещё строится: здесь появятся вход, каталог и книги.</source>
        <translation>The reading room is still being built: sign-in, the catalogue and the books will appear here.</translation>
    </message>
</context>
</TS>
