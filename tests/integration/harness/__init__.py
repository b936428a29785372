"""Test harness for the integration tests: real Icecast, Liquidsoap and Shoutcast DNAS servers, stream
sources, ICY listeners."""
from .icecast import IcecastError, IcecastServer, basic_authorization
from .liquidsoap import HarborError, HarborServer
from .listener import Listener, ListenerError, TitleEvent, stream_title
from .processes import ManagedProcess, exit_cleanly_on_sigterm
from .sources import Mp3Source, OggSource, ShoutcastSource, SourceRefused
from .waiting import free_port, wait_for
from .probe import ProbeResult, run_update_probe
from .windows import build_dir, run_windows, windows_command
