// Searches the built-in station list as the user types; each hit can be
// played or added to the favourites through the player's script object.
(function () {
  var query = document.getElementById('query');
  var hits = document.getElementById('hits');
  var count = document.getElementById('count');
  var asked = 0;

  function player() { return window.external; }

  function row(hit) {
    var li = document.createElement('li');
    var name = document.createElement('span');
    name.className = 'name';
    name.textContent = hit.name;
    var play = document.createElement('button');
    play.className = 'play';
    play.textContent = 'Dinle';
    play.onclick = function () { player().Listen(hit.key, hit.name, hit.url); };
    var add = document.createElement('button');
    add.className = 'add';
    add.textContent = 'Favorilere Ekle';
    add.onclick = function () {
      var result = player().AddList(hit.key, hit.name, hit.url);
      add.disabled = true;
      add.textContent = result === -1 ? 'Zaten favorilerde' : 'Eklendi';
    };
    li.appendChild(name);
    li.appendChild(play);
    li.appendChild(add);
    return li;
  }

  function show(list, text) {
    hits.textContent = '';
    list.forEach(function (hit) { hits.appendChild(row(hit)); });
    count.textContent = text === '' ? '' : (list.length ? list.length + ' radyo bulundu' : 'Radyo bulunamadı');
    document.body.setAttribute('data-hits', String(list.length));
  }

  function search() {
    var text = query.value.trim();
    var ticket = ++asked;
    if (text === '') { show([], ''); return; }
    fetch('stations?q=' + encodeURIComponent(text))
      .then(function (r) { return r.json(); })
      .then(function (list) { if (ticket === asked) show(list, text); })
      .catch(function () { if (ticket === asked) { count.textContent = 'Arama yapılamadı'; } });
  }

  query.addEventListener('input', search);
  search();
})();
