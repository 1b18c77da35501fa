<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name></name>
    <message>
        <source>signin</source>
        <translation>Sign in</translation>
    </message>
    <message>
        <source>signup</source>
        <translation>Sign Up</translation>
    </message>
    <message>
        <source>email</source>
        <translation>Email</translation>
    </message>
    <message>
        <source>password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>forgot</source>
        <translation>For got your password?</translation>
    </message>
    <message>
        <source>name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>favorites</source>
        <translation>Favorites</translation>
    </message>
    <message>
        <source>playlist</source>
        <translation>Playlist</translation>
    </message>
    <message>
        <source>settings</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>profile</source>
        <translation>Profile</translation>
    </message>
    <message>
        <source>phone</source>
        <translation>Phone</translation>
    </message>
    <message>
        <source>signout</source>
        <translation>Sign out</translation>
    </message>
    <message>
        <source>language</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>registredevice</source>
        <translation>Registration device</translation>
    </message>
    <message>
        <source>devicename</source>
        <translation>Device name</translation>
    </message>
    <message>
        <source>newpassword</source>
        <translation>New Password</translation>
    </message>
    <message>
        <source>confirmpassword</source>
        <translation>Confirm Password</translation>
    </message>
    <message>
        <source>currentpassword</source>
        <translation>Current Password</translation>
    </message>
    <message>
        <source>error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>privatepassword</source>
        <translation>Parental control</translation>
    </message>
    <message>
        <source>newdevice</source>
        <translation>New device</translation>
    </message>
    <message>
        <source>selectdevice</source>
        <translation>Select device</translation>
    </message>
    <message>
        <source>selectplaylist</source>
        <translation>Select playlist</translation>
    </message>
    <message>
        <source>go</source>
        <translation>Go</translation>
    </message>
    <message>
        <source>directlink</source>
        <translation>Direct link</translation>
    </message>
    <message>
        <source>title</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>newplaylist</source>
        <translation>New Playlist</translation>
    </message>
    <message>
        <source>delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>file</source>
        <translation>File</translation>
    </message>
    <message>
        <source>selectcountry</source>
        <translation>Select country</translation>
    </message>
    <message>
        <source>invalidcountrycode</source>
        <translation>Invalid Country Code</translation>
    </message>
    <message>
        <source>activatecode</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>ontop</source>
        <translation>Always on top</translation>
    </message>
    <message>
        <source>network</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>caching</source>
        <translation>Caching</translation>
    </message>
    <message>
        <source>cachesize</source>
        <translation>Cache size</translation>
    </message>
    <message>
        <source>alert1</source>
        <translation>A value is required</translation>
    </message>
    <message>
        <source>alert2</source>
        <translation>Wrong email or password</translation>
    </message>
    <message>
        <source>alert3</source>
        <translation>Wrong password</translation>
    </message>
    <message>
        <source>alert4</source>
        <translation>Your password do not match</translation>
    </message>
    <message>
        <source>alert7</source>
        <translation>Select or enter the name of the new device</translation>
    </message>
    <message>
        <source>alert8</source>
        <translation>Your device is not tied playlists. To snap playlists or create a new go www.vantero.example</translation>
    </message>
    <message>
        <source>alert10</source>
        <translation>Sure you want to quit Vantero?</translation>
    </message>
    <message>
        <source>alert11</source>
        <translation>Delete playlist?</translation>
    </message>
    <message>
        <source>alert12</source>
        <translation>from playlist?</translation>
    </message>
    <message>
        <source>alert15</source>
        <translation>Invalid phone number. Please try again.</translation>
    </message>
    <message>
        <source>alert16</source>
        <translation>You have entered an invalid code. Please try again.</translation>
    </message>
    <message>
        <source>alert17</source>
        <translation>Number already registered on Vantero</translation>
    </message>
    <message>
        <source>alert18</source>
        <translation>Invalid country code. Please try again.</translation>
    </message>
    <message>
        <source>alert19</source>
        <translation>Please enter the code you just received via SMS</translation>
    </message>
    <message>
        <source>alert20</source>
        <translation>Name must be at least 3 characters</translation>
    </message>
    <message>
        <source>alert21</source>
        <translation>To reset the parent password, enter the password for the account</translation>
    </message>
    <message>
        <source>nointernet</source>
        <translation>Can't connect. Please check your internet connection.</translation>
    </message>
    <message>
        <source>unknownerror</source>
        <translation>Unknown error please try again.</translation>
    </message>
    <message>
        <source>errorlink</source>
        <translation>Link is invalid and can not be loaded</translation>
    </message>
    <message>
        <source>toolarge</source>
        <translation>The file is too large and was not downloaded</translation>
    </message>
    <message>
        <source>downloadfailed</source>
        <translation>The file could not be downloaded</translation>
    </message>
    <message>
        <source>downloadbusy</source>
        <translation>This file is already being downloaded</translation>
    </message>
    <message>
        <source>orlogin</source>
        <translation>or sign in with</translation>
    </message>
    <message>
        <source>menu</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>lname</source>
        <translation>Last name</translation>
    </message>
    <message>
        <source>fname</source>
        <translation>First name</translation>
    </message>
    <message>
        <source>birthday</source>
        <translation>Birthday</translation>
    </message>
    <message>
        <source>female</source>
        <translation>Female</translation>
    </message>
    <message>
        <source>male</source>
        <translation>Male</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>select</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>selbirthday</source>
        <translation>Select birthday</translation>
    </message>
    <message>
        <source>save</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>registre</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>private</source>
        <translation>Private</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>alert5</source>
        <translation>Invalid email address</translation>
    </message>
    <message>
        <source>alert6</source>
        <translation>Password must be at least 6 characters</translation>
    </message>
    <message>
        <source>alert9</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>alert13</source>
        <translation>Playlist added</translation>
    </message>
    <message>
        <source>alert14</source>
        <translation>Could not add the playlist</translation>
    </message>
    <message>
        <source>alert22</source>
        <translation>Detected a new version Vantero</translation>
    </message>
    <message>
        <source>alert22_1</source>
        <translation>please download and install.</translation>
    </message>
    <message>
        <source>all</source>
        <translation>All</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>no</source>
        <translation>No</translation>
    </message>
    <message>
        <source>browser</source>
        <translation>Browser</translation>
    </message>
    <message>
        <source>downloads</source>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>invalidphonenumber</source>
        <translation>Invalid phone number</translation>
    </message>
    <message>
        <source>or</source>
        <translation>or</translation>
    </message>
    <message>
        <source>email_phone</source>
        <translation>Email or phone</translation>
    </message>
    <message>
        <source>pleasewait</source>
        <translation>Please wait...</translation>
    </message>
    <message>
        <source>done</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>unknowerror</source>
        <translation>Unknown error please try again.</translation>
    </message>
    <message>
        <source>toomanydevices</source>
        <translation>This account has too many devices. Choose one of its devices or remove one on the web site.</translation>
    </message>
    <message>
        <source>invaliddevicename</source>
        <translation>Invalid device name. Please enter another name.</translation>
    </message>
    <message>
        <source>playlistnotfound</source>
        <translation>This playlist no longer exists. Please choose another one.</translation>
    </message>
    <message>
        <source>devicenotregistered</source>
        <translation>This device is no longer registered. Please choose or register a device.</translation>
    </message>
    <message>
        <source>optiontoolong</source>
        <translation>Too many channels are marked to store. Remove some marks and try again.</translation>
    </message>
    <message>
        <source>invalidplaylisttitle</source>
        <translation>Invalid playlist title. Please enter another title.</translation>
    </message>
    <message>
        <source>playlistnochannels</source>
        <translation>The playlist holds no channels.</translation>
    </message>
    <message>
        <source>unsupportedplaylist</source>
        <translation>Unsupported playlist format. Please choose an M3U or M3U8 file.</translation>
    </message>
    <message>
        <source>filecannotberead</source>
        <translation>The playlist file cannot be read.</translation>
    </message>
    <message>
        <source>updatermissing</source>
        <translation>A new version of Vantero is available, but the updater is missing. Please download and install the new version.</translation>
    </message>
    <message>
        <source>alertnopicture</source>
        <translation>The channel shows no picture. Click here to try again.</translation>
    </message>
    <message>
        <source>alertengine</source>
        <translation>The video engine could not start.</translation>
    </message>
    <message>
        <source>searchchannels</source>
        <translation>Search channels</translation>
    </message>
    <message>
        <source>shortcuts</source>
        <translation>Keyboard shortcuts</translation>
    </message>
    <message>
        <source>keysearch</source>
        <translation>Search the whole playlist</translation>
    </message>
    <message>
        <source>keymove</source>
        <translation>Move in the channel list</translation>
    </message>
    <message>
        <source>keypage</source>
        <translation>Move a page up or down in the list</translation>
    </message>
    <message>
        <source>keyplay</source>
        <translation>Play the selected channel</translation>
    </message>
    <message>
        <source>keynumber</source>
        <translation>Go to a channel by its number</translation>
    </message>
    <message>
        <source>keypause</source>
        <translation>Pause or resume</translation>
    </message>
    <message>
        <source>keymute</source>
        <translation>Sound off or on</translation>
    </message>
    <message>
        <source>keyvolumeup</source>
        <translation>Volume up</translation>
    </message>
    <message>
        <source>keyvolumedown</source>
        <translation>Volume down</translation>
    </message>
    <message>
        <source>keyfullscreen</source>
        <translation>Full screen on or off</translation>
    </message>
    <message>
        <source>keyleave</source>
        <translation>Leave full screen, clear the search</translation>
    </message>
    <message>
        <source>keynext</source>
        <translation>Next channel</translation>
    </message>
    <message>
        <source>keyprevious</source>
        <translation>Previous channel</translation>
    </message>
    <message>
        <source>recent</source>
        <translation>Recently watched</translation>
    </message>
    <message>
        <source>resume</source>
        <translation>Resume last channel</translation>
    </message>
    <message>
        <source>tracks</source>
        <translation>Tracks</translation>
    </message>
    <message>
        <source>audiotrack</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>subtitles</source>
        <translation>Subtitles</translation>
    </message>
    <message>
        <source>subtitlesoff</source>
        <translation>Off</translation>
    </message>
</context>
</TS>
