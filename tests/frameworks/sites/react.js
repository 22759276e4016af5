// A bookmarking site as React 18 builds one: controlled inputs whose values live in the component's
// state (the form posts the state, not the fields), a submit form drawn only after a fetch, and a
// Save button enabled once the title field has had an input event.
import { createElement as h, useEffect, useState } from 'react';
import { createRoot } from 'react-dom/client';

function Field({ id, type, value, set }) {
  return h('input', { id, type: type || 'text', value, onChange: (e) => set(e.target.value) });
}

function Login() {
  const [user, setUser] = useState('');
  const [password, setPassword] = useState('');
  return h('form', { method: 'post', action: '/react/login' },
    h(Field, { id: 'uid', value: user, set: setUser }),
    h(Field, { id: 'pwd', type: 'password', value: password, set: setPassword }),
    h('input', { type: 'hidden', name: 'user', value: user }),
    h('input', { type: 'hidden', name: 'password', value: password }),
    h('input', { type: 'submit', name: 'go', value: '登录' }));
}

function Submit() {
  const [ready, setReady] = useState(false);
  const [title, setTitle] = useState('');
  const [url, setUrl] = useState('');
  const [tags, setTags] = useState('');
  const [shared, setShared] = useState(false);
  const [typed, setTyped] = useState(false);
  useEffect(() => {
    fetch('/react/api/me').then((r) => r.json()).then(() => setReady(true));
  }, []);
  if (!ready)
    return h('p', null, '加载中');
  return h('form', { method: 'post', action: '/react/submit' },
    h('input', { id: 'title', value: title, onInput: () => setTyped(true), onChange: (e) => setTitle(e.target.value) }),
    h(Field, { id: 'url', value: url, set: setUrl }),
    h(Field, { id: 'tags', value: tags, set: setTags }),
    h('input', { id: 'shared', type: 'checkbox', checked: shared, onChange: (e) => setShared(e.target.checked) }),
    h('input', { type: 'hidden', name: 'title', value: title }),
    h('input', { type: 'hidden', name: 'url', value: url }),
    h('input', { type: 'hidden', name: 'tags', value: tags }),
    h('input', { type: 'hidden', name: 'shared', value: String(shared) }),
    h('button', { id: 'save', type: 'submit', disabled: !typed }, '保存'));
}

createRoot(document.getElementById('app')).render(h(window.tvxPage === 'login' ? Login : Submit));
