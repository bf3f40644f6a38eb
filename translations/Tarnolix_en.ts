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
    <name>Tarnolix</name>
    <message>
        <source>Приложение уже запущено!</source>
        <translation>The application is already running!</translation>
    </message>
    <message>
        <source>Не удалось открыть сохранённую библиотеку. Данные сохранены; закройте приложение и повторите запуск.</source>
        <translation>The saved library could not be opened. Your data is kept; close the application and start it again.</translation>
    </message>
    <message>
        <source>Не удалось открыть библиотеку аккаунта. Данные сохранены; закройте и повторно откройте приложение.</source>
        <translation>The account library could not be opened. Your data is kept; close the application and open it again.</translation>
    </message>
    <message>
        <source>Сохранённая сессия принадлежит другому аккаунту. Книги не удалены. Закройте приложение и войдите снова.</source>
        <translation>The saved session belongs to another account. No books were deleted. Close the application and sign in again.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Читальный зал ещё строится: здесь появятся вход, каталог и книги.</source>
        <translation>The reading room is still being built: sign-in, the catalogue and the books will appear here.</translation>
    </message>
</context>
<context>
    <name>About</name>
    <message>
        <source>О программе Tarnolix</source>
        <translation>About Tarnolix</translation>
    </message>
</context>
<context>
    <name>AiButton</name>
    <message>
        <source>AI-чат</source>
        <translation>AI chat</translation>
    </message>
</context>
<context>
    <name>BookModeButton2</name>
    <message>
        <source>Выйти из режима чтения</source>
        <translation>Leave reading mode</translation>
    </message>
    <message>
        <source>Перейти в режим чтения</source>
        <translation>Reading mode</translation>
    </message>
</context>
<context>
    <name>ContentSettingsButton</name>
    <message>
        <source>Настройки текста</source>
        <translation>Text settings</translation>
    </message>
</context>
<context>
    <name>ConverterButton</name>
    <message>
        <source>Конвертер кодировок</source>
        <translation>Transliteration converter</translation>
    </message>
</context>
<context>
    <name>DeleteButton</name>
    <message>
        <source>Удалить</source>
        <translation>Delete</translation>
    </message>
</context>
<context>
    <name>EngCatalogButton</name>
    <message>
        <source>Каталог английских книг</source>
        <translation>Catalogue of English books</translation>
    </message>
</context>
<context>
    <name>FTSearchPageStatus</name>
    <message>
        <source>Поиск</source>
        <translation>Search</translation>
    </message>
</context>
<context>
    <name>FavoritesButton</name>
    <message>
        <source>Избранное</source>
        <translation>Favorites</translation>
    </message>
</context>
<context>
    <name>GlossaryButton</name>
    <message>
        <source>Санскритские словари</source>
        <translation>Sanskrit dictionaries</translation>
    </message>
</context>
<context>
    <name>HistoryButton</name>
    <message>
        <source>История</source>
        <translation>History</translation>
    </message>
</context>
<context>
    <name>InfoButton</name>
    <message>
        <source>О книге</source>
        <translation>About the book</translation>
    </message>
</context>
<context>
    <name>MessagePopup</name>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>NewTabStatus</name>
    <message>
        <source>Новая вкладка</source>
        <translation>New tab</translation>
    </message>
</context>
<context>
    <name>OpenNewTabMenu</name>
    <message>
        <source>Открыть в новой вкладке</source>
        <translation>Open in a new tab</translation>
    </message>
</context>
<context>
    <name>RusCatalogButton</name>
    <message>
        <source>Каталог русских книг</source>
        <translation>Catalogue of Russian books</translation>
    </message>
</context>
<context>
    <name>SanCatalogButton</name>
    <message>
        <source>Каталог книг на санскрите</source>
        <translation>Catalogue of Sanskrit books</translation>
    </message>
</context>
<context>
    <name>ScaleControl</name>
    <message>
        <source>Масштаб:</source>
        <translation>Scale:</translation>
    </message>
</context>
<context>
    <name>SettingsDlg</name>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
</context>
<context>
    <name>TextContextMenu</name>
    <message>
        <source>Вырезать</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>Копировать</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Вставить</source>
        <translation>Paste</translation>
    </message>
</context>
<context>
    <name>WBWSearchButton</name>
    <message>
        <source>Поиск в пословном переводе</source>
        <translation>Search the word-by-word translations</translation>
    </message>
</context>
<context>
    <name>CatalogAuthorsModel</name>
    <message>
        <source>Ошибка при загрузке каталога: %1</source>
        <translation>Error loading the catalogue: %1</translation>
    </message>
</context>
<context>
    <name>CatalogCategoriesModel</name>
    <message>
        <source>Ошибка при загрузке каталога: %1</source>
        <translation>Error loading the catalogue: %1</translation>
    </message>
</context>
<context>
    <name>CatalogNamesModel</name>
    <message>
        <source>Ошибка при загрузке каталога: %1</source>
        <translation>Error loading the catalogue: %1</translation>
    </message>
</context>
<context>
    <name>tarnolix::SearchSettingsCreator</name>
    <message>
        <source>Не удалось начать поиск!(0x54977751)</source>
        <translation>Could not start the search!(0x54977751)</translation>
    </message>
    <message>
        <source>Не удалось начать поиск!(0x54977752)</source>
        <translation>Could not start the search!(0x54977752)</translation>
    </message>
    <message>
        <source>Нельзя использовать фильтр по каталогу, если язык каталога не соответствует языку поиска!
Фильтр проигнорирован!</source>
        <translation>The catalogue filter cannot be used when the catalogue language differs from the search language!
The filter was ignored!</translation>
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
    <name>BookMngr</name>
    <message>
        <source>Книга не открыта!</source>
        <translation>The book is not open!</translation>
    </message>
    <message>
        <source>Книга недоступна в текущей библиотеке.</source>
        <translation>The book is not available in the current library.</translation>
    </message>
    <message>
        <source>Раздел книги не найдена</source>
        <translation>Book section not found</translation>
    </message>
</context>
</TS>
