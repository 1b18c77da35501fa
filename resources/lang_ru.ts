<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name></name>
    <message>
        <source>signin</source>
        <translation>Войти</translation>
    </message>
    <message>
        <source>signup</source>
        <translation>Регистрация</translation>
    </message>
    <message>
        <source>email</source>
        <translation>Эл. почта</translation>
    </message>
    <message>
        <source>password</source>
        <translation>Пароль</translation>
    </message>
    <message>
        <source>forgot</source>
        <translation>Забыли пароль?</translation>
    </message>
    <message>
        <source>name</source>
        <translation>Имя</translation>
    </message>
    <message>
        <source>favorites</source>
        <translation>Избранное</translation>
    </message>
    <message>
        <source>playlist</source>
        <translation>Плейлист</translation>
    </message>
    <message>
        <source>settings</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <source>profile</source>
        <translation>Профиль</translation>
    </message>
    <message>
        <source>phone</source>
        <translation>Телефон</translation>
    </message>
    <message>
        <source>signout</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>language</source>
        <translation>Язык</translation>
    </message>
    <message>
        <source>registredevice</source>
        <translation>Регистрации устройства</translation>
    </message>
    <message>
        <source>devicename</source>
        <translation>Имя устройства</translation>
    </message>
    <message>
        <source>newpassword</source>
        <translation>Новый пароль</translation>
    </message>
    <message>
        <source>confirmpassword</source>
        <translation>Подтвердите пароль:</translation>
    </message>
    <message>
        <source>currentpassword</source>
        <translation>Текущая пароль</translation>
    </message>
    <message>
        <source>error</source>
        <translation>Ошибка</translation>
    </message>
    <message>
        <source>privatepassword</source>
        <translation>Родительский контроль</translation>
    </message>
    <message>
        <source>newdevice</source>
        <translation>Новое устройство</translation>
    </message>
    <message>
        <source>selectdevice</source>
        <translation>Выберите устройство</translation>
    </message>
    <message>
        <source>selectplaylist</source>
        <translation>Выберите плейлист.</translation>
    </message>
    <message>
        <source>go</source>
        <translation>Перейти</translation>
    </message>
    <message>
        <source>directlink</source>
        <translation>Прямая ссылка</translation>
    </message>
    <message>
        <source>title</source>
        <translation>Название</translation>
    </message>
    <message>
        <source>newplaylist</source>
        <translation>Новый плейлист</translation>
    </message>
    <message>
        <source>delete</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>file</source>
        <translation>Файл</translation>
    </message>
    <message>
        <source>selectcountry</source>
        <translation>Выберите страну</translation>
    </message>
    <message>
        <source>invalidcountrycode</source>
        <translation>Неверный код страны</translation>
    </message>
    <message>
        <source>activatecode</source>
        <translation>Код</translation>
    </message>
    <message>
        <source>ontop</source>
        <translation>Поверх всех окон</translation>
    </message>
    <message>
        <source>network</source>
        <translation>Сеть</translation>
    </message>
    <message>
        <source>caching</source>
        <translation>Кэширование</translation>
    </message>
    <message>
        <source>cachesize</source>
        <translation>Размер кеша</translation>
    </message>
    <message>
        <source>alert1</source>
        <translation>Необходимо заполнить поле</translation>
    </message>
    <message>
        <source>alert2</source>
        <translation>Неправильный эл. почта или пароль</translation>
    </message>
    <message>
        <source>alert3</source>
        <translation>Неправильный пароль</translation>
    </message>
    <message>
        <source>alert4</source>
        <translation>Ваш пароль не совпадают</translation>
    </message>
    <message>
        <source>alert7</source>
        <translation>Выберите или введите имя нового устройства</translation>
    </message>
    <message>
        <source>alert8</source>
        <translation>Вашему устройству не привязаны плейлисты. Чтобы привязать плейлисты или создать новый перейдите www.vantero.example</translation>
    </message>
    <message>
        <source>alert10</source>
        <translation>Вы действительно хотите выйти из Vantero?</translation>
    </message>
    <message>
        <source>alert11</source>
        <translation>Удалить плейлист?</translation>
    </message>
    <message>
        <source>alert12</source>
        <translation>из списка плейлистов?</translation>
    </message>
    <message>
        <source>alert15</source>
        <translation>Неправильный номер телефона. Пожалуйста, попробуйте еще раз.</translation>
    </message>
    <message>
        <source>alert16</source>
        <translation>Вы ввели неверный код. Пожалуйста, попробуйте еще раз.</translation>
    </message>
    <message>
        <source>alert17</source>
        <translation>номер уже зарегистрирован на Vantero</translation>
    </message>
    <message>
        <source>alert18</source>
        <translation>Неправильный код страны. Пожалуйста, попробуйте еще раз.</translation>
    </message>
    <message>
        <source>alert19</source>
        <translation>Пожалуйста, введите код, который вы только что получили через смс.</translation>
    </message>
    <message>
        <source>alert20</source>
        <translation>Имя должно быть не менее 3 символов.</translation>
    </message>
    <message>
        <source>alert21</source>
        <translation>Для сброса родительского пароля, введите пароль аккаунта</translation>
    </message>
    <message>
        <source>nointernet</source>
        <translation>Не удается подключиться. Пожалуйста, проверьте подключение к Интернету.</translation>
    </message>
    <message>
        <source>unknownerror</source>
        <translation>Неизвестная ошибка, пожалуйста, попробуйте еще раз.</translation>
    </message>
    <message>
        <source>errorlink</source>
        <translation>Ссылка недействителен и не может быть загружен.</translation>
    </message>
    <message>
        <source>toolarge</source>
        <translation>Файл слишком большой и не был загружен</translation>
    </message>
    <message>
        <source>downloadfailed</source>
        <translation>Не удалось загрузить файл</translation>
    </message>
    <message>
        <source>downloadbusy</source>
        <translation>Этот файл уже загружается</translation>
    </message>
    <message>
        <source>orlogin</source>
        <translation>или войдите через</translation>
    </message>
    <message>
        <source>menu</source>
        <translation>Меню</translation>
    </message>
    <message>
        <source>lname</source>
        <translation>Фамилия</translation>
    </message>
    <message>
        <source>fname</source>
        <translation>Имя</translation>
    </message>
    <message>
        <source>birthday</source>
        <translation>Дата рождения</translation>
    </message>
    <message>
        <source>female</source>
        <translation>Женский</translation>
    </message>
    <message>
        <source>male</source>
        <translation>Мужской</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>select</source>
        <translation>Выбрать</translation>
    </message>
    <message>
        <source>selbirthday</source>
        <translation>Выберите дату рождения</translation>
    </message>
    <message>
        <source>save</source>
        <translation>Сохранить</translation>
    </message>
    <message>
        <source>registre</source>
        <translation>Зарегистрироваться</translation>
    </message>
    <message>
        <source>private</source>
        <translation>Приватный</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>alert5</source>
        <translation>Неверный адрес эл. почты</translation>
    </message>
    <message>
        <source>alert6</source>
        <translation>Пароль должен быть не менее 6 символов</translation>
    </message>
    <message>
        <source>alert9</source>
        <translation>Выйти из Vantero?</translation>
    </message>
    <message>
        <source>alert13</source>
        <translation>Плейлист добавлен</translation>
    </message>
    <message>
        <source>alert14</source>
        <translation>Не удалось добавить плейлист</translation>
    </message>
    <message>
        <source>alert22</source>
        <translation>Обнаружена новая версия Vantero</translation>
    </message>
    <message>
        <source>alert22_1</source>
        <translation>пожалуйста, скачайте и установите.</translation>
    </message>
    <message>
        <source>all</source>
        <translation>Все</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>Да</translation>
    </message>
    <message>
        <source>no</source>
        <translation>Нет</translation>
    </message>
    <message>
        <source>browser</source>
        <translation>Браузер</translation>
    </message>
    <message>
        <source>downloads</source>
        <translation>Загрузки</translation>
    </message>
    <message>
        <source>invalidphonenumber</source>
        <translation>Неверный номер телефона</translation>
    </message>
    <message>
        <source>or</source>
        <translation>или</translation>
    </message>
    <message>
        <source>email_phone</source>
        <translation>Эл. почта или телефон</translation>
    </message>
    <message>
        <source>pleasewait</source>
        <translation>Пожалуйста, подождите...</translation>
    </message>
    <message>
        <source>done</source>
        <translation>Готово</translation>
    </message>
    <message>
        <source>close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>unknowerror</source>
        <translation>Неизвестная ошибка, пожалуйста, попробуйте еще раз.</translation>
    </message>
    <message>
        <source>toomanydevices</source>
        <translation>У аккаунта слишком много устройств. Выберите одно из них или удалите лишнее на сайте.</translation>
    </message>
    <message>
        <source>invaliddevicename</source>
        <translation>Недопустимое имя устройства. Введите другое имя.</translation>
    </message>
    <message>
        <source>playlistnotfound</source>
        <translation>Этот плейлист больше не существует. Выберите другой.</translation>
    </message>
    <message>
        <source>devicenotregistered</source>
        <translation>Это устройство больше не зарегистрировано. Выберите или зарегистрируйте устройство.</translation>
    </message>
    <message>
        <source>optiontoolong</source>
        <translation>Отмечено слишком много каналов. Снимите часть отметок и попробуйте снова.</translation>
    </message>
    <message>
        <source>invalidplaylisttitle</source>
        <translation>Недопустимое название плейлиста. Введите другое название.</translation>
    </message>
    <message>
        <source>playlistnochannels</source>
        <translation>В плейлисте нет каналов.</translation>
    </message>
    <message>
        <source>unsupportedplaylist</source>
        <translation>Неподдерживаемый формат плейлиста. Выберите файл M3U или M3U8.</translation>
    </message>
    <message>
        <source>filecannotberead</source>
        <translation>Не удается прочитать файл плейлиста.</translation>
    </message>
    <message>
        <source>updatermissing</source>
        <translation>Доступна новая версия Vantero, но программа обновления не найдена. Скачайте и установите новую версию.</translation>
    </message>
    <message>
        <source>alertnopicture</source>
        <translation>Канал не показывает изображение. Нажмите здесь, чтобы попробовать снова.</translation>
    </message>
    <message>
        <source>alertengine</source>
        <translation>Не удалось запустить видеодвижок.</translation>
    </message>
    <message>
        <source>searchchannels</source>
        <translation>Поиск каналов</translation>
    </message>
    <message>
        <source>shortcuts</source>
        <translation>Горячие клавиши</translation>
    </message>
    <message>
        <source>keysearch</source>
        <translation>Поиск по всему плейлисту</translation>
    </message>
    <message>
        <source>keymove</source>
        <translation>Перемещение по списку каналов</translation>
    </message>
    <message>
        <source>keypage</source>
        <translation>Перемещение по списку на страницу</translation>
    </message>
    <message>
        <source>keyplay</source>
        <translation>Смотреть выбранный канал</translation>
    </message>
    <message>
        <source>keynumber</source>
        <translation>Переключиться на канал по номеру</translation>
    </message>
    <message>
        <source>keypause</source>
        <translation>Пауза и продолжение</translation>
    </message>
    <message>
        <source>keymute</source>
        <translation>Выключить или включить звук</translation>
    </message>
    <message>
        <source>keyvolumeup</source>
        <translation>Громче</translation>
    </message>
    <message>
        <source>keyvolumedown</source>
        <translation>Тише</translation>
    </message>
    <message>
        <source>keyfullscreen</source>
        <translation>Полноэкранный режим</translation>
    </message>
    <message>
        <source>keyleave</source>
        <translation>Выйти из полноэкранного режима, очистить поиск</translation>
    </message>
    <message>
        <source>keynext</source>
        <translation>Следующий канал</translation>
    </message>
    <message>
        <source>keyprevious</source>
        <translation>Предыдущий канал</translation>
    </message>
    <message>
        <source>recent</source>
        <translation>Недавно просмотренные</translation>
    </message>
    <message>
        <source>resume</source>
        <translation>Продолжать последний канал</translation>
    </message>
    <message>
        <source>tracks</source>
        <translation>Дорожки</translation>
    </message>
    <message>
        <source>audiotrack</source>
        <translation>Звук</translation>
    </message>
    <message>
        <source>subtitles</source>
        <translation>Субтитры</translation>
    </message>
    <message>
        <source>subtitlesoff</source>
        <translation>Выключены</translation>
    </message>
</context>
</TS>
