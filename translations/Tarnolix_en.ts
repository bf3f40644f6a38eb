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
    <message>
        <source>Сортировать по:</source>
        <translation>Sort by:</translation>
    </message>
    <message>
        <source>релевантности</source>
        <translation>relevance</translation>
    </message>
    <message>
        <source>каталогу</source>
        <translation>catalogue</translation>
    </message>
    <message>
        <source>совпадениям</source>
        <translation>matches</translation>
    </message>
    <message>
        <source>Показать на английском языке</source>
        <translation>Show in English</translation>
    </message>
    <message>
        <source>Показать на русском языке</source>
        <translation>Show in Russian</translation>
    </message>
    <message>
        <source>Этот стих в других книгах</source>
        <translation>This verse in other books</translation>
    </message>
    <message>
        <source>Неизвестный язык</source>
        <translation>Unknown language</translation>
    </message>
    <message>
        <source>Книги: </source>
        <translation>Books: </translation>
    </message>
    <message>
        <source>На английском: </source>
        <translation>In English: </translation>
    </message>
    <message>
        <source>На русском: </source>
        <translation>In Russian: </translation>
    </message>
    <message>
        <source>На санскрите: </source>
        <translation>In Sanskrit: </translation>
    </message>
    <message>
        <source>Смотреть весь список</source>
        <translation>Show the whole list</translation>
    </message>
    <message>
        <source>Свернуть</source>
        <translation>Collapse</translation>
    </message>
    <message>
        <source>На английском</source>
        <translation>In English</translation>
    </message>
    <message>
        <source>На русском</source>
        <translation>In Russian</translation>
    </message>
    <message>
        <source>На санскрите</source>
        <translation>In Sanskrit</translation>
    </message>
    <message>
        <source>Связи:</source>
        <translation>Links:</translation>
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
    <message>
        <source> (Индексация </source>
        <translation> (Indexing </translation>
    </message>
    <message>
        <source>Tarnolix</source>
        <translation>Tarnolix</translation>
    </message>
</context>
<context>
    <name>About</name>
    <message>
        <source>О программе Tarnolix</source>
        <translation>About Tarnolix</translation>
    </message>
    <message>
        <source>Tarnolix %1. Написан на Qt с Lucene++, ICU, SQLite, QuaZip и OpenSSL; шрифты PT Sans и PT Serif компании ParaType.</source>
        <translation>Tarnolix %1. Written with Qt, Lucene++, ICU, SQLite, QuaZip and OpenSSL; PT Sans and PT Serif fonts by ParaType.</translation>
    </message>
    <message>
        <source>Обучение работе с программой</source>
        <translation>Learn to use the program</translation>
    </message>
    <message>
        <source>Читальный зал писаний, переводов и комментариев</source>
        <translation>A reading room of scriptures, translations and commentaries</translation>
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
    <message>
        <source> - Поиск</source>
        <translation> - Search</translation>
    </message>
    <message>
        <source>Ошибка при поиске</source>
        <translation>Search error</translation>
    </message>
    <message>
        <source>Библиотека изменилась или недоступна. Повторите поиск после обновления.</source>
        <translation>The library has changed or is unavailable. Repeat the search after the update.</translation>
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
    <message>
        <source>Копировать</source>
        <translation>Copy</translation>
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
    <message>
        <source>Актуальная версия</source>
        <translation>Up to date</translation>
    </message>
    <message>
        <source>База книг: загрузка не завершена</source>
        <translation>Book library: download not finished</translation>
    </message>
    <message>
        <source>Версия базы книг: от </source>
        <translation>Book library version: of </translation>
    </message>
    <message>
        <source>Версия программы: </source>
        <translation>Program version: </translation>
    </message>
    <message>
        <source>Гость</source>
        <translation>Guest</translation>
    </message>
    <message>
        <source>Доступ к AI:</source>
        <translation>AI access:</translation>
    </message>
    <message>
        <source>Доступен</source>
        <translation>Available</translation>
    </message>
    <message>
        <source>Доступна версия </source>
        <translation>Version available: </translation>
    </message>
    <message>
        <source>Другое</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>Духовное имя:</source>
        <translation>Spiritual name:</translation>
    </message>
    <message>
        <source>Е-mail адрес</source>
        <translation>E-mail address</translation>
    </message>
    <message>
        <source>Есть обновления</source>
        <translation>Updates available</translation>
    </message>
    <message>
        <source>Изменить личные данные</source>
        <translation>Change personal data</translation>
    </message>
    <message>
        <source>Изменить пароль</source>
        <translation>Change password</translation>
    </message>
    <message>
        <source>Изменить</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>Имя:</source>
        <translation>First name:</translation>
    </message>
    <message>
        <source>Масштаб интерфейса:</source>
        <translation>Interface scale:</translation>
    </message>
    <message>
        <source>Нет доступа</source>
        <translation>No access</translation>
    </message>
    <message>
        <source>Обновлений нет</source>
        <translation>No updates</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Подождите...</source>
        <translation>Please wait...</translation>
    </message>
    <message>
        <source>Проверка...</source>
        <translation>Checking...</translation>
    </message>
    <message>
        <source>Уровень доступа:</source>
        <translation>Access level:</translation>
    </message>
    <message>
        <source>Фамилия:</source>
        <translation>Last name:</translation>
    </message>
    <message>
        <source>Язык интерфейса</source>
        <translation>Interface language</translation>
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
    <name>Startup</name>
    <message>
        <source>Войти снова</source>
        <translation>Sign in again</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Открыть установленную библиотеку без сети</source>
        <translation>Open the installed library offline</translation>
    </message>
    <message>
        <source>Повторить</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>Подготовка библиотеки</source>
        <translation>Preparing the library</translation>
    </message>
    <message>
        <source>Проверка аккаунта</source>
        <translation>Checking the account</translation>
    </message>
    <message>
        <source>Установленные данные сохраняются до завершения проверки новой библиотеки.</source>
        <translation>The installed data are kept until the new library has been checked.</translation>
    </message>
</context>
<context>
    <name>Login</name>
    <message>
        <source>E-mail адрес</source>
        <translation>E-mail address</translation>
    </message>
    <message>
        <source>Войти</source>
        <translation>Sign in</translation>
    </message>
    <message>
        <source>Вход в систему</source>
        <translation>Sign in</translation>
    </message>
    <message>
        <source>Забыли пароль?</source>
        <translation>Forgot your password?</translation>
    </message>
    <message>
        <source>Запомнить меня</source>
        <translation>Remember me</translation>
    </message>
    <message>
        <source>Пароль</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Поле E-Mail адрес обязательно для заполнения.</source>
        <translation>The e-mail address is required.</translation>
    </message>
    <message>
        <source>Поле Пароль обязательно для заполнения.</source>
        <translation>The password is required.</translation>
    </message>
    <message>
        <source>Политика конфиденциальности</source>
        <translation>Privacy policy</translation>
    </message>
    <message>
        <source>Пользовательское соглашение</source>
        <translation>Terms of use</translation>
    </message>
    <message>
        <source>Регистрация</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>Укажите корректные данные</source>
        <translation>Enter valid details</translation>
    </message>
</context>
<context>
    <name>Header</name>
    <message>
        <source>Выйти</source>
        <translation>Sign out</translation>
    </message>
</context>
<context>
    <name>ContentSettings</name>
    <message>
        <source>Диакритика</source>
        <translation>Diacritics</translation>
    </message>
    <message>
        <source>Комментарий</source>
        <translation>Commentary</translation>
    </message>
    <message>
        <source>Перевод</source>
        <translation>Translation</translation>
    </message>
    <message>
        <source>Показывать:</source>
        <translation>Show:</translation>
    </message>
    <message>
        <source>Пословный перевод</source>
        <translation>Word by word</translation>
    </message>
    <message>
        <source>Санскрит</source>
        <translation>Sanskrit</translation>
    </message>
</context>
<context>
    <name>DebugWindow</name>
    <message>
        <source>База книг</source>
        <translation>Book library</translation>
    </message>
    <message>
        <source>Для запуска JS скрипта(%1) в текущей вкладке нажмите F2</source>
        <translation>Press F2 to run the JS script (%1) in the current tab</translation>
    </message>
    <message>
        <source>Добавить книгу</source>
        <translation>Add a book</translation>
    </message>
    <message>
        <source>Окно для отладки</source>
        <translation>Debug window</translation>
    </message>
    <message>
        <source>Папка для сохранения скачанных архивов книг:</source>
        <translation>Folder for the downloaded book archives:</translation>
    </message>
    <message>
        <source>Удалить все книги</source>
        <translation>Delete all books</translation>
    </message>
</context>
<context>
    <name>InputTextDialog</name>
    <message>
        <source>Ок</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Logout</name>
    <message>
        <source>Выйти из аккаунта? Скачанные книги и избранное сохранятся.</source>
        <translation>Sign out of the account? Downloaded books and favorites are kept.</translation>
    </message>
    <message>
        <source>Выйти</source>
        <translation>Sign out</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Settings2Dlg</name>
    <message>
        <source>Включить отладочные логи</source>
        <translation>Enable debug logs</translation>
    </message>
    <message>
        <source>Использовать OpenGL ES</source>
        <translation>Use OpenGL ES</translation>
    </message>
    <message>
        <source>Масштабирование при большой плотности пикселей</source>
        <translation>Scaling on high pixel density screens</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Перезапустите программу для применения изменений</source>
        <translation>Restart the program to apply the changes</translation>
    </message>
</context>
<context>
    <name>FTSearchThreadImpl</name>
    <message>
        <source>Ошибка в синтаксисе запроса: </source>
        <translation>Query syntax error: </translation>
    </message>
</context>
<context>
    <name>CatalogGlossariesModel</name>
    <message>
        <source>Ошибка при загрузке каталога: %1</source>
        <translation>Error loading the catalogue: %1</translation>
    </message>
</context>
<context>
    <name>CatalogGlossariesNamesModel</name>
    <message>
        <source>Ошибка при загрузке каталога: %1</source>
        <translation>Error loading the catalogue: %1</translation>
    </message>
</context>
<context>
    <name>FilterSearchThread</name>
    <message>
        <source>Не удалось открыть базу данных! Поиск может не работать!</source>
        <translation>The database could not be opened! Search may not work!</translation>
    </message>
    <message>
        <source>База данных не открыта!</source>
        <translation>The database is not open!</translation>
    </message>
    <message>
        <source>Ошибка при поиске</source>
        <translation>Search error</translation>
    </message>
</context>
<context>
    <name>BooksSearchResultsModel</name>
    <message>
        <source>Ошибка при загрузке результатов поиска: %1</source>
        <translation>Error loading the search results: %1</translation>
    </message>
</context>
<context>
    <name>CatalogHelper</name>
    <message>
        <source>Неизвестный язык</source>
        <translation>Unknown language</translation>
    </message>
    <message>
        <source>Не удалось обновить каталог: %1</source>
        <translation>Failed to update the catalog: %1</translation>
    </message>
</context>
<context>
    <name>TabControl</name>
    <message>
        <source>Открыто максимальное количество вкладок!</source>
        <translation>The maximum number of tabs is open!</translation>
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
<context>
    <name>FavoriteLogic</name>
    <message>
        <source>Не удалось загрузить избранное: </source>
        <translation>Could not load the favorites: </translation>
    </message>
    <message>
        <source>Не удалось обновить избранное: </source>
        <translation>Could not update the favorites: </translation>
    </message>
</context>
<context>
    <name>QApplication</name>
    <message>
        <source>Невозможно создать избранное для этого раздела книги!</source>
        <comment>FavoritesValidator</comment>
        <translation>A favorite cannot be created for this section of the book!</translation>
    </message>
    <message>
        <source>Раздел книги не найден! (ERROR 0xE7841469)</source>
        <comment>FavoritesValidator</comment>
        <translation>Book section not found! (ERROR 0xE7841469)</translation>
    </message>
</context>
<context>
    <name>OpenBookStatus</name>
    <message>
        <source>В обновлённой книге нет разделов.</source>
        <translation>The updated book has no sections.</translation>
    </message>
    <message>
        <source>Не удалось обновить открытую книгу. Откройте её повторно.</source>
        <translation>The open book could not be updated. Open it again.</translation>
    </message>
    <message>
        <source>Источник: </source>
        <translation>Source: </translation>
    </message>
</context>
<context>
    <name>DatabaseUpdateDlg</name>
    <message>
        <source>Обновление справочников</source>
        <translation>Updating reference data</translation>
    </message>
    <message>
        <source>Загрузка книг</source>
        <translation>Downloading books</translation>
    </message>
    <message>
        <source>Загрузка словарей</source>
        <translation>Downloading glossaries</translation>
    </message>
    <message>
        <source>Установка словарей</source>
        <translation>Installing glossaries</translation>
    </message>
    <message>
        <source>Завершение обновления базы</source>
        <translation>Completing the library update</translation>
    </message>
    <message>
        <source>Ошибка загрузки</source>
        <translation>Download error</translation>
    </message>
    <message>
        <source>Прервано</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>Ход загрузки: </source>
        <translation>Progress: </translation>
    </message>
    <message>
        <source> из </source>
        <translation> of </translation>
    </message>
    <message>
        <source>Прервать</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Подождите</source>
        <translation>Please wait</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Неизвестный статус</source>
        <translation>Unknown status</translation>
    </message>
    <message>
        <source>Обновление базы</source>
        <translation>Library update</translation>
    </message>
</context>
<context>
    <name>UpdateCompletingDlg</name>
    <message>
        <source>Завершение обновления</source>
        <translation>Completing the update</translation>
    </message>
</context>
<context>
    <name>UpdateLoadDlg</name>
    <message>
        <source>Загрузка обновления</source>
        <translation>Downloading the update</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>UpdateCompleter</name>
    <message>
        <source>Произошла ошибка при завершении обновлении базы.
При следующем запуске программы будет предпринята повторная попытка.
Текст ошибки: </source>
        <translation>An error occurred while completing the library update.
The next program start will try again.
Error text: </translation>
    </message>
</context>
<context>
    <name>UpdateCompleterImpl</name>
    <message>
        <source>Неизвестная ошибка</source>
        <translation>Unknown error</translation>
    </message>
</context>
<context>
    <name>UpdateLoader</name>
    <message>
        <source>Не удалось скачать обновление: </source>
        <translation>Could not download the update: </translation>
    </message>
    <message>
        <source>Не удалось начать установку: </source>
        <translation>Could not start the installation: </translation>
    </message>
</context>
<context>
    <name>BookCatalog</name>
    <message>
        <source>Санскритские словари</source>
        <translation>Sanskrit glossaries</translation>
    </message>
    <message>
        <source>Избранное</source>
        <translation>Favorites</translation>
    </message>
    <message>
        <source>Книги на английском</source>
        <translation>Books in English</translation>
    </message>
    <message>
        <source>Книги на русском</source>
        <translation>Books in Russian</translation>
    </message>
    <message>
        <source>Книги на санскрите</source>
        <translation>Books in Sanskrit</translation>
    </message>
    <message>
        <source>КАТЕГОРИИ</source>
        <translation>CATEGORIES</translation>
    </message>
    <message>
        <source>АВТОРЫ</source>
        <translation>AUTHORS</translation>
    </message>
    <message>
        <source>НАЗВАНИЯ</source>
        <translation>TITLES</translation>
    </message>
    <message>
        <source>СЛОВАРИ</source>
        <translation>GLOSSARIES</translation>
    </message>
    <message>
        <source>ВСЕ</source>
        <translation>ALL</translation>
    </message>
    <message>
        <source>КНИГИ RU</source>
        <translation>BOOKS RU</translation>
    </message>
    <message>
        <source>КНИГИ EN</source>
        <translation>BOOKS EN</translation>
    </message>
    <message>
        <source>Выбрать область поиска в каталоге</source>
        <translation>Choose the search scope in the catalogue</translation>
    </message>
    <message>
        <source>Вернуться к каталогу</source>
        <translation>Back to the catalogue</translation>
    </message>
    <message>
        <source>Поиск по каталогу</source>
        <translation>Search the catalogue</translation>
    </message>
    <message>
        <source>Источников:</source>
        <translation>Sources:</translation>
    </message>
    <message>
        <source>Найдено:</source>
        <translation>Found:</translation>
    </message>
    <message>
        <source>Книг:</source>
        <translation>Books:</translation>
    </message>
    <message>
        <source>Выбрать все</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>Сбросить</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Свернуть все ветки</source>
        <translation>Collapse all</translation>
    </message>
    <message>
        <source>Развернуть</source>
        <translation>Expand</translation>
    </message>
</context>
<context>
    <name>FavoritesCatalogModel</name>
    <message>
        <source>Всё избранное</source>
        <translation>All favorites</translation>
    </message>
    <message>
        <source>Ошибка при загрузке каталога избранного: %1</source>
        <translation>Error loading the favorites catalogue: %1</translation>
    </message>
</context>
<context>
    <name>FavoritesDlgCatalogModel</name>
    <message>
        <source>Всё избранное</source>
        <translation>All favorites</translation>
    </message>
    <message>
        <source>Создать папку</source>
        <translation>Create folder</translation>
    </message>
    <message>
        <source>Ошибка при загрузке каталога избранного: %1</source>
        <translation>Error loading the favorites catalogue: %1</translation>
    </message>
    <message>
        <source>Не удалось создать папку: %1</source>
        <translation>Could not create the folder: %1</translation>
    </message>
    <message>
        <source>Не удалось переименовать папку: %1</source>
        <translation>Could not rename the folder: %1</translation>
    </message>
    <message>
        <source>Не удалось удалить папку: %1</source>
        <translation>Could not delete the folder: %1</translation>
    </message>
    <message>
        <source>Произошла ошибка: %1</source>
        <translation>An error occurred: %1</translation>
    </message>
</context>
<context>
    <name>FavoritesByBooksModel</name>
    <message>
        <source>Ошибка при загрузке каталога избранного: %1</source>
        <translation>Error loading the favorites catalogue: %1</translation>
    </message>
    <message>
        <source>Ошибка при обновление каталога избранного: %1</source>
        <translation>Error updating the favorites catalogue: %1</translation>
    </message>
</context>
</TS>
